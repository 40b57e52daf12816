#!/usr/bin/env python3
"""Recording speed of zelplay.exe under Wine: frames per second of the frame
loop (from the player's log, so Wine's start-up is left out) at a few sizes,
with the video going to a file, to the null device, and nowhere, and the time
per frame spent reading the frame back and writing it.

    record_fps.py --session DIR --bin-dir WINDOWS_BUILD --work-dir DIR
                  [--sizes 320x240,640x480,1280x720] [--seconds 2]

The session is one that wine_session.sh started. A measurement, not a test:
it prints a table and fails only when the player does.
"""

import argparse
import json
import os
import subprocess
import sys


def run_player(args, work_dir, name, wrapper, session, bin_dir):
    log = os.path.join(work_dir, name + ".log")
    command = [wrapper, session, os.path.join(bin_dir, "zelplay.exe"), "--demo-track", "--record",
               "--unattended", "--log", log] + args
    completed = subprocess.run(command, capture_output=True, timeout=1800)
    if completed.returncode != 0:
        sys.exit(f"{' '.join(command)} failed ({completed.returncode}): "
                 f"{completed.stderr.decode(errors='replace')}")
    with open(log, encoding="utf-8") as f:
        exit_event = next(e for e in map(json.loads, f) if e["event"] == "exit")
    return exit_event["frames"], exit_event["loopMs"], exit_event["captureMs"]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--session", required=True)
    parser.add_argument("--bin-dir", required=True)
    parser.add_argument("--work-dir", required=True)
    parser.add_argument("--sizes", default="320x240,640x480,1280x720")
    parser.add_argument("--seconds", type=float, default=2.0, help="length of music recorded")
    parsed = parser.parse_args()
    os.makedirs(parsed.work_dir, exist_ok=True)
    wrapper = os.path.join(os.path.dirname(os.path.abspath(__file__)), "wine_run.sh")
    frames = str(round(parsed.seconds * 30))
    outputs = [("file", os.path.join(parsed.work_dir, "video.rgb")), ("null", "/dev/null"),
               ("none", None)]
    print(f"{'size':>10} {'output':>6} {'frames':>6} {'seconds':>8} {'fps':>7} "
          f"{'capture ms/frame':>17}")
    for size in parsed.sizes.split(","):
        for label, target in outputs:
            args = ["--size", size, "--frames", frames]
            if target is not None:
                args += ["--video-out", target]
            count, loop_ms, capture_ms = run_player(args, parsed.work_dir, f"{size}-{label}", wrapper,
                                        parsed.session, parsed.bin_dir)
            seconds = loop_ms / 1000.0
            print(f"{size:>10} {label:>6} {count:>6} {seconds:>8.2f} {count / seconds:>7.1f} "
                  f"{capture_ms / max(count, 1):>17.2f}", flush=True)
    video = os.path.join(parsed.work_dir, "video.rgb")
    if os.path.exists(video):
        os.remove(video)


if __name__ == "__main__":
    main()
