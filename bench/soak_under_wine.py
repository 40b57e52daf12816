#!/usr/bin/env python3
"""A long session of the media player, for ./zelvis bench: zelplay.exe (the build
bench_build.py chooses, named in the results) hosting a plug-in as the player does, a
thread and a fresh LoadLibrary per start, for many starts of a few frames each
with a 1024 x 1024 picture, in one process.

    soak_under_wine.py OUT.json [--plugin DLL] [--starts 1000] [--frames 3]

After each stop the player logs what Windows tells of the process (private bytes,
handles, threads, windows, GDI and USER objects); beside it this samples what
Linux tells of the same process from /proc (resident and anonymous memory, open
files, threads), which also shows what the GL driver keeps outside Wine's books.
--plugin runs another plug-in in the same way, so that growth of ours can be
told from the driver's or Wine's.

A measurement, not a test: it fails only when the player does.
"""

import argparse
import json
import os
import shutil
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "tools" / "zelvis"))
# The end-to-end memory row starts the plug-in with the same large picture.
sys.path.insert(0, str(ROOT / "tests" / "e2e"))

from host_checks import write_large_picture  # noqa: E402
from bench_build import bench_build_dir, bench_preset  # noqa: E402
from wine_host import CommandError, WineHost, temporary_folder  # noqa: E402

BUILD = bench_build_dir()
POLL_SECONDS = 0.02


def linux_view(pid):
    """Resident and anonymous memory (KiB), open files and threads of a process."""
    try:
        status = Path(f"/proc/{pid}/status").read_text()
        files = len(os.listdir(f"/proc/{pid}/fd"))
    except (FileNotFoundError, ProcessLookupError):
        return None
    fields = dict(line.split(":", 1) for line in status.splitlines() if ":" in line)
    if "VmRSS" not in fields:
        return None  # ended, not yet reaped
    return {"rssKiB": int(fields["VmRSS"].split()[0]),
            "anonKiB": int(fields["RssAnon"].split()[0]),
            "files": files,
            "tasks": int(fields["Threads"])}


def soak(host, plugin, starts, frames, work):
    log = work / "player.log"
    args = ["--plugin", str(plugin), "--starts", str(starts), "--frames", str(frames),
            "--size", "160x120", "--unattended", "--log", str(log)]
    started = time.monotonic()
    player = host.popen(BUILD / "zelplay.exe", args, stdin=subprocess.DEVNULL,
                        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    stops, read = [], 0
    # Each stop is sampled as soon as its line is in the log: the next start is
    # then at most a few frames along.
    while True:
        finished = player.poll() is not None
        if log.exists():
            with open(log, "rb") as f:
                f.seek(read)
                chunk = f.read()
            complete = chunk[:chunk.rfind(b"\n") + 1]
            read += len(complete)
            for line in complete.splitlines():
                event = json.loads(line)
                if event["event"] == "unload":
                    seen = linux_view(player.pid)
                    stops.append(dict(event, start=len(stops) + 1, **(seen or {})))
        if finished:
            break
        time.sleep(POLL_SECONDS)
    errors = player.stderr.read().decode("utf-8", "replace")
    if player.returncode != 0 or len(stops) != starts:
        raise CommandError(f"the player ended with status {player.returncode} after "
                           f"{len(stops)} of {starts} stops: {errors.strip()[-500:]}")
    return {"build": bench_preset(), "starts": starts, "frames": frames, "seconds": time.monotonic() - started,
            "stops": stops}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("out")
    parser.add_argument("--plugin", type=Path, default=BUILD / "vis_zel.dll")
    parser.add_argument("--starts", type=int, default=1000)
    parser.add_argument("--frames", type=int, default=3)
    parsed = parser.parse_args()
    work = temporary_folder(ROOT)
    try:
        folder = work / "plugins"
        folder.mkdir()
        shutil.copy(parsed.plugin, folder / "vis_zel.dll")
        write_large_picture(folder / "vis_zel.bmp")
        with WineHost(ROOT, need_own_display=True) as host:
            result = soak(host, folder / "vis_zel.dll", parsed.starts, parsed.frames, work)
        result["plugin"] = parsed.plugin.name
        Path(parsed.out).write_text(json.dumps(result, indent=1))
    except CommandError as error:
        print(f"soak_under_wine: {error}", file=sys.stderr)
        return 1
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
