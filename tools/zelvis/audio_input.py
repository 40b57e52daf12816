"""What the player is fed: the built-in track, or any file that ffmpeg decodes."""

import shutil
import subprocess
from pathlib import Path

from wine_host import CommandError

SAMPLE_RATE = 44100


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


def duration_seconds(path: Path):
    """The length ffprobe reads from the file's headers, or None where it says none."""
    probe = subprocess.run(
        ["ffprobe", "-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0", str(path)],
        capture_output=True, text=True)
    try:
        return float(probe.stdout.strip())
    except ValueError:
        return None


def decoder(path: Path, **kwargs):
    """ffmpeg decoding the file to raw 16-bit stereo at our rate, on its stdout: the
    player reads it as it plays, so a file of any length fits in its memory."""
    return subprocess.Popen(
        ["ffmpeg", "-nostdin", "-v", "error", "-i", str(path), "-vn", "-ac", "2",
         "-ar", str(SAMPLE_RATE), "-f", "s16le", "-"],
        stdout=subprocess.PIPE, **kwargs)
