"""What the player is fed: the built-in track, or any files that ffmpeg decodes, one
after another."""

import re
import shutil
import subprocess
from pathlib import Path

from wine_host import CommandError

SAMPLE_RATE = 44100
# What a folder contributes, as zelplay takes it (player/queue/queue_files.cpp).
AUDIO_EXTENSIONS = {".wav", ".wave", ".mp3", ".mp2", ".flac", ".m4a", ".aac", ".wma", ".ogg",
                    ".oga", ".opus", ".aif", ".aiff", ".ac3"}


def natural_key(path: Path):
    """The natural order of names, a folder at a time: "track 2" before "track 10"."""
    return [[int(part) if part.isdigit() else part.lower() for part in re.split(r"(\d+)", name)]
            for name in path.parts]


def queued_files(paths):
    """The files played in turn: each file as given, each folder's audio files, subfolders
    included, in natural order; fails in one line for a name that is neither, or a folder
    without audio."""
    files = []
    for path in paths:
        if path.is_dir():
            found = sorted((p.relative_to(path) for p in path.rglob("*")
                            if p.is_file() and p.suffix.lower() in AUDIO_EXTENSIONS
                            and not any(part.startswith(".") for part in p.relative_to(path).parts)),
                           key=natural_key)
            if not found:
                raise CommandError(f"no audio files in {path}")
            files += [path / p for p in found]
        elif path.is_file():
            files.append(path)
        else:
            raise CommandError(f"no such file or folder: {path}")
    return files


def require_ffmpeg():
    for tool in ("ffmpeg", "ffprobe"):
        if not shutil.which(tool):
            raise CommandError(f"{tool} not found (apt-get install ffmpeg)")


def check_audio_file(path: Path):
    """Fails in one line unless ffmpeg finds an audio stream in the file."""
    if not path.is_file():
        raise CommandError(f"no such file: {path}")
    probe = subprocess.run(
        ["ffprobe", "-v", "error", "-select_streams", "a", "-show_entries", "stream=codec_type",
         "-of", "csv=p=0", str(path)],
        capture_output=True, text=True)
    if probe.returncode != 0 or "audio" not in probe.stdout:
        reason = probe.stderr.strip().splitlines()[-1] if probe.stderr.strip() else "no audio stream"
        raise CommandError(f"cannot read {path} as audio: {reason}")


def duration_seconds(paths):
    """The length ffprobe reads from the files' headers, together, or None where one says none."""
    total = 0.0
    for path in paths:
        probe = subprocess.run(
            ["ffprobe", "-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0", str(path)],
            capture_output=True, text=True)
        try:
            total += float(probe.stdout.strip())
        except ValueError:
            return None
    return total


def concatenated(paths):
    """ffmpeg's inputs and filter for the files one after another, as 16-bit stereo at our
    rate, under the label [music]."""
    inputs = [argument for path in paths for argument in ("-i", str(path))]
    return inputs, music_filter(len(paths), first_input=0)


def music_filter(count, first_input):
    """The filter that joins inputs first_input.. first_input + count - 1 into [music]."""
    steps = "".join(f"[{first_input + n}:a]aresample={SAMPLE_RATE},aformat=sample_fmts=s16:"
                    f"channel_layouts=stereo[a{n}];" for n in range(count))
    joined = "".join(f"[a{n}]" for n in range(count))
    return steps + f"{joined}concat=n={count}:v=0:a=1[music]"


def decoder(paths, **kwargs):
    """ffmpeg decoding the files, one after another, to raw 16-bit stereo at our rate, on
    its stdout: the player reads it as it plays, so music of any length fits in its memory."""
    inputs, joined = concatenated(paths)
    return subprocess.Popen(
        ["ffmpeg", "-nostdin", "-v", "error", *inputs, "-filter_complex", joined, "-map", "[music]",
         "-f", "s16le", "-"],
        stdout=subprocess.PIPE, **kwargs)
