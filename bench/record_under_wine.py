#!/usr/bin/env python3
"""Record mode of zelplay.exe (the build bench_build.py chooses, named in the
results) under Wine, for ./zelvis bench.

    record_under_wine.py speed  OUT.json --floor-bench BIN [--assets DIR]
                                [--sizes 640x480:150,1280x720:60] [--repetitions 3]
    record_under_wine.py memory OUT.json --from SPEED.json

speed: for each repetition and size, one short round of frame_cost_bench (the
floor and the plug-in natively, interleaved), then the recordings: through
ffmpeg with the demo's settings (what ./zelvis demo runs), through ffmpeg with
x264's ultrafast preset instead, and to the null device. The order of the
recordings turns with each repetition. While each recording runs, the resident
memory of zelplay.exe (the process whose command line names it; the plug-in
lives in it) and of ffmpeg is sampled from /proc; the kernel's own peak of each
process comes from its exit.

memory: the memory figures of the recordings with the demo's settings, taken
from the results of speed, so that the two benchmarks share their recordings.

A measurement, not a test: it fails only when the player or ffmpeg does.
"""

import argparse
import json
import os
import subprocess
import sys
import threading
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "tools" / "zelvis"))

import demo_video  # noqa: E402
from bench_build import bench_build_dir, bench_preset  # noqa: E402
from wine_host import CommandError, WineHost, temporary_folder  # noqa: E402

PLAYER = bench_build_dir() / "zelplay.exe"
FPS = 30
SAMPLE_SECONDS = 0.05
# Frames after which the player's memory counts as settled (buffers made, the
# plug-in's textures made, the encoder's pipe full): growth after this is what
# a long recording would keep adding.
SETTLED_FRAME = 10


def parse_sizes(text):
    sizes = []
    for item in text.split(","):
        dims, _, frames = item.partition(":")
        width, height = (int(v) for v in dims.split("x"))
        sizes.append((width, height, int(frames)))
    return sizes


def status_fields(pid):
    """VmRSS, VmHWM, RssAnon and RssFile of a process in KiB, or None once it is gone."""
    try:
        text = Path(f"/proc/{pid}/status").read_text()
    except (FileNotFoundError, ProcessLookupError):
        return None
    fields = {}
    for line in text.splitlines():
        key, _, value = line.partition(":")
        if key in ("VmRSS", "VmHWM", "RssAnon", "RssFile"):
            fields[key] = int(value.split()[0])
    return fields if "VmRSS" in fields else None


def names_player(pid):
    try:
        return b"zelplay.exe" in Path(f"/proc/{pid}/cmdline").read_bytes()
    except (FileNotFoundError, ProcessLookupError):
        return False


class MemorySampler(threading.Thread):
    """Samples /proc/PID/status of a process until it ends. The player starts as
    the Wine loader and becomes zelplay.exe in the same process; only samples taken
    after that count."""

    def __init__(self, pid, must_name_player):
        super().__init__(daemon=True)
        self.pid = pid
        self.must_name_player = must_name_player
        self.samples = []  # (monotonic time, fields)
        self.stop = threading.Event()

    def run(self):
        while not self.stop.is_set():
            if not self.must_name_player or names_player(self.pid):
                fields = status_fields(self.pid)
                if fields is None:
                    return
                self.samples.append((time.monotonic(), fields))
            self.stop.wait(SAMPLE_SECONDS)

    def at(self, moment):
        """The last sample taken at or before `moment`."""
        earlier = [fields for when, fields in self.samples if when <= moment]
        return earlier[-1] if earlier else None

    def largest(self, key):
        return max((fields.get(key, 0) for _, fields in self.samples), default=0)


def reap(process):
    """Waits for a child and returns its rusage (CPU times, peak resident set)."""
    _, status, usage = os.wait4(process.pid, 0)
    process.returncode = os.waitstatus_to_exitcode(status)
    return usage


def exit_event(log):
    with open(log, encoding="utf-8") as f:
        return next(e for e in map(json.loads, f) if e["event"] == "exit")


def record(host, work, audio, size, frames, output):
    """One recording; `output` is "null" or an x264 preset for the demo's ffmpeg
    command. Returns what it measured."""
    width, height, _ = size
    log = work / "player.log"
    video = work / "record.mp4"
    args = ["--demo-track", "--record", "--fps", str(FPS), "--size", f"{width}x{height}",
            "--frames", str(frames), "--video-out", "NUL" if output == "null" else "-",
            "--progress", "--unattended", "--log", str(log)]
    started = time.monotonic()
    player = host.popen(PLAYER, args, stdin=subprocess.DEVNULL,
                        stdout=subprocess.DEVNULL if output == "null" else subprocess.PIPE,
                        stderr=subprocess.PIPE)
    player_memory = MemorySampler(player.pid, must_name_player=True)
    player_memory.start()
    encode = None
    if output != "null":
        command = demo_video.encoder_command(video, (width, height), FPS, [audio], preset=output)
        encode = subprocess.Popen(command, stdin=player.stdout, stderr=subprocess.PIPE)
        player.stdout.close()
        encoder_memory = MemorySampler(encode.pid, must_name_player=False)
        encoder_memory.start()

    progress, errors = [], []
    for raw in player.stderr:
        fields = raw.decode(errors="replace").split()
        if len(fields) == 3 and fields[0] == "progress":
            progress.append(time.monotonic())
        elif fields:
            errors.append(" ".join(fields))
    player_usage = reap(player)
    player_exited = time.monotonic()
    player_memory.stop.set()
    result = {"output": output, "width": width, "height": height}
    if encode is not None:
        encoder_errors = encode.stderr.read().decode(errors="replace").strip()
        encoder_usage = reap(encode)
        encoder_memory.stop.set()
        if encode.returncode != 0:
            raise CommandError(f"ffmpeg failed ({encode.returncode}): {encoder_errors}")
        result.update(encoder_cpu_s=encoder_usage.ru_utime + encoder_usage.ru_stime,
                      encoder_maxrss_kib=encoder_usage.ru_maxrss,
                      encoder_hwm_kib=encoder_memory.largest("VmHWM"),
                      mp4_bytes=video.stat().st_size)
    finished = time.monotonic()
    if player.returncode != 0 or not progress:
        reason = errors[-1] if errors else f"exit status {player.returncode}"
        raise CommandError(f"zelplay.exe {' '.join(args)} failed: {reason}")

    event = exit_event(log)
    settled = player_memory.at(progress[min(SETTLED_FRAME, len(progress)) - 1])
    last = player_memory.at(progress[-1])
    result.update(
        frames=event["frames"],
        loop_ms=event["loopMs"],
        capture_ms=event["captureMs"],
        present_ms=event["presentMs"],
        # From the launch to the first frame: Wine, the player and the plug-in starting.
        startup_s=progress[0] - started,
        # From the last frame to the finished file (or the player's exit): the
        # player's quit and exit, and the encoder draining its queue.
        tail_s=finished - progress[-1],
        player_tail_s=player_exited - progress[-1],
        wall_s=finished - started,
        player_cpu_s=player_usage.ru_utime + player_usage.ru_stime,
        player_maxrss_kib=player_usage.ru_maxrss,
        player_hwm_kib=player_memory.largest("VmHWM"),
        player_rss_anon_kib=player_memory.largest("RssAnon"),
        player_rss_file_kib=player_memory.largest("RssFile"),
        player_rss_settled_kib=settled["VmRSS"] if settled else None,
        player_rss_last_kib=last["VmRSS"] if last else None,
        player_samples=len(player_memory.samples))
    video.unlink(missing_ok=True)
    return result


def floor_round(floor_bench, assets, work, size, round_seconds):
    """One interleaved round of the floor, the plug-in and the plug-in without
    sprites, natively, at `size`; milliseconds per frame of each."""
    width, height, _ = size
    out = work / "floor.json"
    subprocess.run([str(floor_bench), str(assets), str(out), "1", "--sizes", f"{width}x{height}",
                    "--round-seconds", str(round_seconds)],
                   check=True, stdout=subprocess.DEVNULL)
    measured = json.loads(out.read_text())["sizes"][0]
    return {"width": width, "height": height, "floor_ms": measured["floor_ms"][0],
            "plugin_ms": measured["plugin_ms"][0],
            "plugin_no_sprites_ms": measured["plugin_no_sprites_ms"][0]}


def demo_audio(host, work):
    """The demo track as a WAV file, the audio the demo's ffmpeg command muxes in."""
    audio = work / "demo-track.wav"
    made = host.popen(PLAYER, ["--write-demo-wav", str(audio)], stdin=subprocess.DEVNULL,
                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if made.wait() != 0:
        raise CommandError("the player could not write the built-in track")
    return audio


def measure_speed(args, host, work, audio):
    runs, floors = [], []
    outputs = [demo_video.ENCODER_PRESET, "ultrafast", "null"]
    for repetition in range(args.repetitions):
        for size in args.sizes:
            floors.append(dict(floor_round(args.floor_bench, args.assets, work, size,
                                           args.round_seconds), repetition=repetition))
            turn = repetition % len(outputs)
            for output in outputs[turn:] + outputs[:turn]:
                run = record(host, work, audio, size, size[2], output)
                runs.append(dict(run, repetition=repetition))
                print(f"  {size[0]}x{size[1]} {output:>9}: {run['frames']} frames, "
                      f"loop {run['loop_ms'] / run['frames']:.1f} ms/frame", flush=True)
    return {"status": "measured", "build": bench_preset(), "fps": FPS,
            "demo_preset": demo_video.ENCODER_PRESET,
            "repetitions": args.repetitions, "round_seconds": args.round_seconds,
            "sizes": [{"width": w, "height": h, "frames": n} for w, h, n in args.sizes],
            "floors": floors, "runs": runs}


def measure_memory(speed):
    keys = ("width", "height", "frames", "repetition", "player_maxrss_kib", "player_hwm_kib",
            "player_rss_anon_kib", "player_rss_file_kib", "player_rss_settled_kib",
            "player_rss_last_kib", "player_samples", "encoder_maxrss_kib", "encoder_hwm_kib")
    runs = [{key: run[key] for key in keys} for run in speed["runs"]
            if run["output"] == speed["demo_preset"]]
    return {"status": "measured", "build": speed["build"], "fps": speed["fps"],
            "preset": speed["demo_preset"],
            "settled_frame": SETTLED_FRAME, "sample_seconds": SAMPLE_SECONDS, "runs": runs}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("mode", choices=("speed", "memory"))
    parser.add_argument("out", type=Path)
    parser.add_argument("--sizes", type=parse_sizes, default=parse_sizes("640x480:150,1280x720:60"),
                        help="WIDTHxHEIGHT:FRAMES, separated by commas")
    parser.add_argument("--repetitions", type=int, default=3)
    parser.add_argument("--floor-bench", type=Path)
    parser.add_argument("--assets", type=Path, default=ROOT / "assets")
    parser.add_argument("--round-seconds", type=float, default=1.0,
                        help="seconds of each variant in frame_cost_bench's round")
    parser.add_argument("--from", dest="source", type=Path, help="results of speed")
    args = parser.parse_args()
    if args.mode == "memory":
        if args.source is None:
            parser.error("memory needs --from SPEED.json")
        speed = json.loads(args.source.read_text())
        if speed.get("status") != "measured":
            sys.exit(f"record_under_wine: {args.source} holds no recordings")
        args.out.write_text(json.dumps(measure_memory(speed), indent=2))
        return
    if args.floor_bench is None:
        parser.error("speed needs --floor-bench")
    if not PLAYER.exists():
        sys.exit(f"{PLAYER} is missing (cmake --preset {bench_preset()} && cmake --build {PLAYER.parent})")

    work = temporary_folder(ROOT)
    try:
        with WineHost(ROOT, need_own_display=True, screen="4096x2304x24") as host:
            result = measure_speed(args, host, work, demo_audio(host, work))
    except (CommandError, subprocess.CalledProcessError) as error:
        sys.exit(f"record_under_wine: {error}")
    finally:
        for path in work.iterdir():
            path.unlink()
        work.rmdir()
    args.out.write_text(json.dumps(result, indent=2))


if __name__ == "__main__":
    main()
