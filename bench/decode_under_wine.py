#!/usr/bin/env python3
"""What zelplay.exe spends decoding a second of audio under Wine, for WAV (its own
reader), FLAC and MP3 (Windows' Media Foundation, which Wine runs on GStreamer),
for ./zelvis bench.

    decode_under_wine.py OUT.json [--repetitions 3] [--seconds 32,160]

The files are the built-in track and that track played over and over to the
longer length, made with ffmpeg at each length: WAV, FLAC and MP3 at 192 kbit/s.
Each run is `zelplay.exe FILE --write-decoded-wav NUL`: the whole file decoded,
then turned into 16-bit WAV bytes for the null device. The cost of a second of
audio is the difference between the long and the short file over the difference
in their lengths, so that Wine's start, the player's and Media Foundation's are
left out; the runs are interleaved, their order turning each repetition. CPU is
the player process's own (user and system, from its exit), the figure that counts
on a shared machine; wall time is beside it.

The build bench_build.py chooses, which the results name.

A measurement, not a test: it fails only when the player or ffmpeg does.
"""

import argparse
import datetime
import json
import os
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "tools" / "zelvis"))

from bench_build import bench_preset  # noqa: E402
from wine_host import CommandError, WineHost, temporary_folder  # noqa: E402

FORMATS = {"wav": [], "flac": [], "mp3": ["-c:a", "libmp3lame", "-b:a", "192k"]}




def make_files(host, player, work, lengths):
    """{(format, seconds): path} of the built-in track at each length in each format."""
    demo = work / "demo.wav"
    made = host.popen(player, ["--write-demo-wav", str(demo)], stdin=subprocess.DEVNULL,
                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if made.wait() != 0:
        raise CommandError("the player could not write the built-in track")
    files = {}
    for seconds in lengths:
        for name, codec in FORMATS.items():
            path = work / f"track-{seconds}s.{name}"
            subprocess.run(["ffmpeg", "-v", "error", "-y", "-stream_loop", "-1", "-i", str(demo),
                            "-t", str(seconds), *codec, str(path)], check=True)
            files[name, seconds] = path
    return files


def decode(host, player, path):
    """Wall and CPU seconds of one run that decodes `path` whole."""
    started = time.monotonic()
    process = host.popen(player, [str(path), "--write-decoded-wav", "NUL"],
                         stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                         stderr=subprocess.PIPE)
    errors = process.stderr.read()
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.monotonic() - started
    if os.waitstatus_to_exitcode(status) != 0:
        raise CommandError(f"the player could not decode {path.name}: "
                           f"{errors.decode(errors='replace').strip()}")
    return wall, usage.ru_utime + usage.ru_stime


def measure(host, player, build, work, lengths, repetitions):
    files = make_files(host, player, work, lengths)
    order = list(files)
    runs = []
    for repetition in range(repetitions):
        turn = repetition % len(order)
        for name, seconds in order[turn:] + order[:turn]:
            wall, cpu = decode(host, player, files[name, seconds])
            runs.append({"format": name, "seconds": seconds, "repetition": repetition,
                         "wall_s": wall, "cpu_s": cpu,
                         "file_bytes": files[name, seconds].stat().st_size})
            print(f"  {name:>4} {seconds:>4} s: {cpu:.2f} s CPU, {wall:.2f} s wall", flush=True)
    return {"status": "measured", "date": datetime.date.today().isoformat(), "build": build,
            "lengths": lengths,
            "repetitions": repetitions, "runs": runs}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("out", type=Path)
    parser.add_argument("--repetitions", type=int, default=3)
    parser.add_argument("--seconds", default="32,160",
                        help="the short and the long length, in seconds")
    args = parser.parse_args()
    lengths = [int(s) for s in args.seconds.split(",")]
    if len(lengths) != 2 or not 0 < lengths[0] < lengths[1]:
        parser.error("--seconds needs a short and a longer length, e.g. 32,160")
    build = bench_preset()
    player = ROOT / "build" / build / "zelplay.exe"
    if not player.exists():
        sys.exit(f"decode_under_wine: {player} is missing "
                 f"(cmake --preset {player.parent.name} && cmake --build {player.parent})")
    work = temporary_folder(ROOT)
    try:
        with WineHost(ROOT, need_own_display=False) as host:
            result = measure(host, player, build, work, lengths, args.repetitions)
    except (CommandError, subprocess.CalledProcessError) as error:
        sys.exit(f"decode_under_wine: {error}")
    finally:
        for path in work.iterdir():
            path.unlink()
        work.rmdir()
    args.out.write_text(json.dumps(result, indent=2))


if __name__ == "__main__":
    main()
