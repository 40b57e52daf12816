"""./zelvis demo: the player renders the visualisation offline, frame by frame, and
ffmpeg encodes the frames with the music into an MP4, plus a contact sheet."""

import math
import os
import shutil
import subprocess
import sys
import time
from pathlib import Path

import audio_input
from wine_host import CommandError, WineHost, temporary_folder


def progress_bar(done, total, started):
    elapsed = max(time.monotonic() - started, 1e-6)
    rate = done / elapsed
    left = (total - done) / rate if rate > 0 else 0
    width = 30
    filled = width * done // max(total, 1)
    bar = "#" * filled + "." * (width - filled)
    return (f"\r[{bar}] {done}/{total} frames  {rate:5.1f} fps  "
            f"{int(left) // 60}:{int(left) % 60:02d} left ")


# x264's speed preset for the demo. On two cores the encoder competes with the
# player's renderer; bench/record_under_wine.py measures what it costs a
# recording, and ultrafast beside it.
ENCODER_PRESET = "veryfast"


def encoder_command(out: Path, size, fps, audio_paths, preset=ENCODER_PRESET):
    """The frames on standard input, with the music of `audio_paths` one after another."""
    width, height = size
    inputs = [argument for path in audio_paths for argument in ("-i", str(path))]
    return ["ffmpeg", "-nostdin", "-y", "-v", "error",
            "-f", "rawvideo", "-pix_fmt", "rgb24", "-s", f"{width}x{height}", "-r", str(fps),
            "-i", "-", *inputs,
            "-filter_complex", audio_input.music_filter(len(audio_paths), first_input=1),
            "-map", "0:v", "-map", "[music]",
            "-c:v", "libx264", "-preset", preset, "-crf", "20", "-pix_fmt", "yuv420p",
            "-c:a", "aac", "-b:a", "160k", "-shortest", "-movflags", "+faststart",
            str(out)]


def encoder(out: Path, size, fps, audio_paths, stdin):
    return subprocess.Popen(encoder_command(out, size, fps, audio_paths), stdin=stdin)


def contact_sheet(video: Path, sheet: Path, frames: int):
    step = max(frames // 12, 1)
    subprocess.run(
        ["ffmpeg", "-nostdin", "-y", "-v", "error", "-i", str(video),
         "-vf", f"select='not(mod(n\\,{step}))',scale=320:-2,tile=4x3",
         "-frames:v", "1", "-fps_mode", "vfr", str(sheet)],
        check=True)


def run(root: Path, player: Path, audio, size, fps, out: Path, db_spectrum=False):
    """`audio`: files and folders played in turn; none: the built-in track."""
    audio_input.require_ffmpeg()
    audio = audio_input.queued_files(audio) if audio else None
    for path in audio or []:
        audio_input.check_audio_file(path)
    out.parent.mkdir(parents=True, exist_ok=True)
    work = temporary_folder(root)
    partial = out.with_name(out.stem + ".partial" + out.suffix)
    with WineHost(root, need_own_display=True, screen="4096x2304x24") as host:
        if audio is None:
            audio = [work / "demo-track.wav"]
            made = host.popen(player, ["--write-demo-wav", str(audio[0])],
                              stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
            if made.wait() != 0:
                raise CommandError("the player could not write the built-in track")
            source_args, feed = ["--audio", str(audio[0])], None
            expected = 0
        else:
            feed = audio_input.decoder(audio)
            source_args = ["--raw-pcm", str(audio_input.SAMPLE_RATE)]
            # The player learns the length of a pipe only at its end (a total of 0 in its
            # progress); the bar shows the length the file's headers declare.
            duration = audio_input.duration_seconds(audio)
            expected = math.ceil(duration * fps) if duration else 0

        # The media player's own spectrum unless the livelier decibel scale is asked for.
        scale_args = ["--db-spectrum"] if db_spectrum else []
        args = [*source_args, *scale_args, "--record", "--fps", str(fps),
                "--size", f"{size[0]}x{size[1]}", "--video-out", "-", "--progress", "--unattended"]
        render = host.popen(player, args, stdin=feed.stdout if feed else subprocess.DEVNULL,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        if feed:
            feed.stdout.close()
        encode = encoder(partial, size, fps, audio, render.stdout)
        render.stdout.close()

        started, total, done, errors = time.monotonic(), 0, 0, []
        for raw in render.stderr:
            line = raw.decode(errors="replace").strip()
            fields = line.split()
            if len(fields) == 3 and fields[0] == "progress":
                done, total = int(fields[1]), int(fields[2]) or max(expected, int(fields[1]))
                if sys.stdout.isatty() or done % max(total // 20, 1) == 0 or done == total:
                    end = "" if sys.stdout.isatty() else "\n"
                    print(progress_bar(done, total, started).lstrip("\r"), end=end, flush=True)
                    if sys.stdout.isatty():
                        print("\r", end="")
            elif line:
                errors.append(line)
        player_status = render.wait()
        encode_status = encode.wait()
        if feed:
            feed.wait()
        print()
    if player_status != 0 or encode_status != 0 or done == 0:
        partial.unlink(missing_ok=True)
        shutil.rmtree(work, ignore_errors=True)
        reason = errors[-1] if errors else f"player exit {player_status}, encoder exit {encode_status}"
        raise CommandError(f"rendering failed: {reason}")
    shutil.rmtree(work, ignore_errors=True)
    os.replace(partial, out)
    sheet = out.with_suffix(".png")
    contact_sheet(out, sheet, done)
    elapsed = time.monotonic() - started
    print(f"zelvis: {done} frames at {size[0]}x{size[1]}, {fps} fps, in {elapsed:.0f} s "
          f"({done / max(elapsed, 1e-6):.1f} frames/s)")
    print(f"zelvis: video:         {out}")
    print(f"zelvis: contact sheet: {sheet}")
