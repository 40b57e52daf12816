#!/usr/bin/env python3
"""Memory against the track's length, for ./zelvis bench: zelplay.exe (the build
bench_build.py chooses, named in the results) recording a 1-minute and a 3-hour WAV file to their
ends, at one frame a second on a small window so that the whole file is decoded
in minutes, and playing each live for its first seconds.

    track_memory_under_wine.py OUT.json [--minutes 1,180]

The files (44.1 kHz 16-bit stereo, two tones that move) are written at bench time
into the build folder, and removed after: a 3-hour file is 1.9 GB. While the player
runs this reads /proc/PID/status every 50 ms: the anonymous resident memory (the
player's own heap and buffers, and the plug-in's) and the peak resident set. After
the run the player's log gives what Windows tells of the process (its private
bytes and peak working set), taken as the start ends.

A measurement, not a test: it fails only when the player does.
"""

import argparse
import json
import math
import shutil
import struct
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "tools" / "zelvis"))

from bench_build import bench_preset  # noqa: E402
from wine_host import CommandError, WineHost, temporary_folder  # noqa: E402

RATE = 44100
POLL_SECONDS = 0.05
LIVE_FRAMES = 60




def write_wav(path: Path, seconds: int):
    """Ten seconds of two tones gliding apart, repeated to the length asked."""
    pattern = bytearray()
    for n in range(10 * RATE):
        glide = n / (10 * RATE)
        left = 0.4 * math.sin(2 * math.pi * (220 + 220 * glide) * n / RATE)
        right = 0.4 * math.sin(2 * math.pi * (660 - 330 * glide) * n / RATE)
        pattern += struct.pack("<hh", int(left * 32767), int(right * 32767))
    data_bytes = seconds * RATE * 4
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 36 + data_bytes) + b"WAVE")
        f.write(b"fmt " + struct.pack("<IHHIIHH", 16, 1, 2, RATE, RATE * 4, 4, 16))
        f.write(b"data" + struct.pack("<I", data_bytes))
        for _ in range(seconds // 10):
            f.write(pattern)
        f.write(pattern[:(seconds % 10) * RATE * 4])


def sample(pid, peaks):
    try:
        status = Path(f"/proc/{pid}/status").read_text()
    except (FileNotFoundError, ProcessLookupError):
        return
    fields = dict(line.split(":", 1) for line in status.splitlines() if ":" in line)
    if "RssAnon" not in fields:
        return  # ended, not yet reaped
    peaks["anon_kib"] = max(peaks.get("anon_kib", 0), int(fields["RssAnon"].split()[0]))
    peaks["hwm_kib"] = max(peaks.get("hwm_kib", 0), int(fields["VmHWM"].split()[0]))


def run_player(host, player, args, log):
    started = time.monotonic()
    process = host.popen(player, [*args, "--unattended", "--log", str(log)],
                         stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                         stderr=subprocess.PIPE)
    peaks = {}
    while process.poll() is None:
        sample(process.pid, peaks)
        time.sleep(POLL_SECONDS)
    errors = process.stderr.read().decode("utf-8", "replace").strip()
    if process.returncode != 0:
        raise CommandError(f"the player ended with status {process.returncode}: {errors[-500:]}")
    events = [json.loads(line) for line in log.read_text().splitlines()]
    unload = next(e for e in events if e["event"] == "unload")
    exit_event = next(e for e in events if e["event"] == "exit")
    return {"seconds": time.monotonic() - started, "frames": exit_event["frames"],
            "reason": exit_event["reason"], "private_bytes": unload["privateBytes"],
            "peak_working_set": unload["peakWorkingSet"], **peaks}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("out")
    parser.add_argument("--minutes", default="1,180",
                        help="track lengths, in minutes, comma-separated")
    parsed = parser.parse_args()
    build = bench_preset()
    player = ROOT / "build" / build / "zelplay.exe"
    work = temporary_folder(ROOT)
    runs = []
    try:
        with WineHost(ROOT, need_own_display=True) as host:
            for minutes in (int(m) for m in parsed.minutes.split(",")):
                wav = work / f"{minutes}-minutes.wav"
                write_wav(wav, minutes * 60)
                for mode, args in (("record", ["--record", "--fps", "1"]),
                                   ("live", ["--frames", str(LIVE_FRAMES)])):
                    result = run_player(host, player, [str(wav), *args, "--size", "160x120"],
                                        work / f"{minutes}-{mode}.log")
                    runs.append({"minutes": minutes, "mode": mode, **result})
                    print(f"track_memory: {minutes} min {mode}: {result}", flush=True)
                wav.unlink()
    except CommandError as error:
        print(f"track_memory_under_wine: {error}", file=sys.stderr)
        return 1
    finally:
        shutil.rmtree(work, ignore_errors=True)
    Path(parsed.out).write_text(json.dumps(
        {"status": "measured", "build": build, "rate": RATE, "live_frames": LIVE_FRAMES,
         "runs": runs}, indent=1))
    return 0


if __name__ == "__main__":
    sys.exit(main())
