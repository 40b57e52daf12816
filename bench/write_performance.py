#!/usr/bin/env python3
"""Writes docs/PERFORMANCE.md from the results of bench/run_benchmarks.sh."""

import argparse
import datetime
import json
import pathlib
import statistics
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
from bench_build import NAMES as BUILD_NAMES  # noqa: E402

FRAME_GOAL = 1.05          # the plug-in's frame within 5 % of the floor
SCENE_GOAL_US = 10.0       # the per-frame work outside OpenGL
ANALYSIS_GOAL_US = 200.0   # the player's analysis of one frame
RECORD_GOAL = 0.9          # recording at least 0.9 of the floor's frames per second


def load(path):
    return json.loads(path.read_text()) if path.exists() else None


def spread(values, digits):
    """Median, then the smallest and largest value, as "m (lo – hi)"."""
    fmt = f"{{:.{digits}f}}"
    return (f"{fmt.format(statistics.median(values))} "
            f"({fmt.format(min(values))} – {fmt.format(max(values))})")


def machine_section(machine, frame):
    load_after = pathlib.Path("/proc/loadavg").read_text().split()[:3]
    renderer = frame["renderer"] if frame else "unknown"
    return [
        "## Machine",
        "",
        f"- CPUs (nproc): {machine['nproc']}",
        f"- CPU: {machine['cpu_model']}",
        f"- Kernel: {machine['kernel']}",
        f"- GL renderer (Mesa, EGL surfaceless): {renderer}",
        f"- Load average (1, 5, 15 min) before the run: {machine['load_before']}; "
        f"after: {' '.join(load_after)}",
        "",
        "The machine is shared with other work, so absolute times move from run to run; the "
        "ratios below are taken within one run from measurements interleaved with each other, "
        "and are the figures to compare.",
        "",
    ]


def frame_section(frame, rounds):
    lines = [
        "## 1. Frame cost against the floor (native, Mesa, headless)",
        "",
        "`renderPlugin` per frame (scene, trail, sprites, glow, swap) against a minimal frame of "
        "our own that issues only the full-window passes such a frame requires: the two clears, "
        "the two copies into rectangle textures, the trail quad and the 30 glow layers in one "
        "glBegin/glEnd (`bench/floor_frame.cpp`). A third variant runs the plug-in with "
        "`spriteCount` 0, which leaves exactly those passes. The three run in one process, "
        "each in a stand-in window of its own of the same size, interleaved frame by frame "
        "with the order turning each time; every frame ends with glFinish, as a buffer swap "
        f"would wait for it. A round is the given number of frames of each variant; {rounds} "
        "rounds per size. Milliseconds per frame, median (min – max) over the rounds; each "
        "ratio is taken within a round, then its median and range over the rounds.",
        "",
        "| view | frames/round | plug-in ms | plug-in without sprites ms | floor ms "
        "| plug-in / floor | without sprites / floor | goal ≤ 1.05 |",
        "|---|---|---|---|---|---|---|---|",
    ]
    summaries = []
    for size in frame["sizes"]:
        plugin, bare, floor = size["plugin_ms"], size["plugin_no_sprites_ms"], size["floor_ms"]
        ratio = [p / f for p, f in zip(plugin, floor)]
        bare_ratio = [b / f for b, f in zip(bare, floor)]
        met = "met" if statistics.median(ratio) <= FRAME_GOAL else "not met"
        lines.append(
            f"| {size['width']} × {size['height']} | {size['frames_per_round']} "
            f"| {spread(plugin, 1)} | {spread(bare, 1)} | {spread(floor, 1)} "
            f"| {spread(ratio, 3)} | {spread(bare_ratio, 3)} | {met} |")
        # The sprites' share of a plug-in frame, taken within each round like the ratios.
        sprite_share = statistics.median(1 - b / p for b, p in zip(bare, plugin))
        summaries.append((size, statistics.median(ratio), statistics.median(bare_ratio),
                          sprite_share, statistics.median(plugin)))
    lines += [
        "",
        f"Reproduce: `cmake --preset bench && cmake --build build/bench --target frame_cost_bench "
        f"&& build/bench/bench/frame_cost_bench assets out.json {rounds}`",
        "",
        f"The stand-in's SwapBuffers costs {frame['swap_ns']:.0f} ns a call here (it logs the "
        "call and keeps no image unless a test asks it to), nothing against a frame.",
        "",
        "Where the time goes:",
        "",
    ]
    for size, ratio, bare_ratio, sprite_share, plugin_ms in summaries:
        lines.append(
            f"- {size['width']} × {size['height']}: plug-in / floor {ratio:.3f}; with its "
            f"sprites left out the plug-in runs at {bare_ratio:.3f} of the floor, so the "
            f"sprites take {100 * sprite_share:.0f} % of its frame (about "
            f"{sprite_share * plugin_ms:.0f} ms of {plugin_ms:.0f} ms).")
    lines += [
        "",
        "The floor has no sprites: the eight sprite quads are not full-window passes, yet at "
        "depth 13 each is taller than the view and covers most of it, and the frame draws every "
        "one twice (over black for the glow capture, and over the trail), each time textured, "
        "alpha-tested and depth-tested, in one of its two culled passes: some sixteen large "
        "fills on top of the floor's thirty-one (the trail quad and the glow layers). That is "
        "what separates the plug-in from the floor on a software rasteriser, and it is drawing "
        "the frame needs, not overhead.",
        "",
    ]
    bare = [b for _, _, b, _, _ in summaries]
    if all(abs(b - 1) <= FRAME_GOAL - 1 for b in bare):
        lines.append(
            "Without its sprites the plug-in runs within 5 % of the floor at every size, so its "
            "state changes, its scene and its swap add nothing measurable to the passes "
            "themselves.")
    else:
        lines.append(
            "Without its sprites the plug-in runs at "
            + ", ".join(f"{b:.3f}" for b in bare)
            + " of the floor: beyond the sprites, its own passes differ from the floor's by "
            "more than 5 % at some size.")
    lines += [
        "",
        "The floor itself, pass by pass (each finished with glFinish; ms per frame, and its "
        "share):",
        "",
        "| view | clears | copies | trail quad | glow layers |",
        "|---|---|---|---|---|",
    ]
    for size in frame["sizes"]:
        passes = size["floor_pass_ms"]
        total = sum(passes.values())
        cells = [f"{passes[k]:.1f} ({100 * passes[k] / total:.0f} %)"
                 for k in ("clears", "copies", "trail_quad", "glow_layers")]
        lines.append(f"| {size['width']} × {size['height']} | " + " | ".join(cells) + " |")
    shares = [100 * size["floor_pass_ms"]["glow_layers"] / sum(size["floor_pass_ms"].values())
              for size in frame["sizes"]]
    rates = [30 * size["width"] * size["height"] / size["floor_pass_ms"]["glow_layers"] / 1e3
             for size in frame["sizes"]]
    lines += [
        "",
        f"The 30 blended, linearly filtered full-window glow layers, which the frame requires, "
        f"take {min(shares):.0f} – {max(shares):.0f} % of the floor; llvmpipe fills them at "
        f"{min(rates):.0f} – {max(rates):.0f} million pixels a second on this machine.",
        "",
    ]
    return lines


def google_benchmark_rows(data, goal_us=None):
    runs = {}
    for entry in data["benchmarks"]:
        if entry.get("run_type", "iteration") != "iteration":
            continue
        runs.setdefault(entry["run_name"] if "run_name" in entry else entry["name"], []).append(entry)
    rows = []
    for name, entries in runs.items():
        unit = entries[0]["time_unit"]
        real = [e["real_time"] for e in entries]
        cpu = [e["cpu_time"] for e in entries]
        shown = {"us": "µs"}.get(unit, unit)
        row = f"| `{name}` | {spread(real, 3)} {shown} | {spread(cpu, 3)} {shown} |"
        if goal_us is not None:
            scale = {"ns": 1e-3, "us": 1.0, "ms": 1e3}[unit]
            if name in goal_us:
                row += " met |" if statistics.median(cpu) * scale < goal_us[name] else " not met |"
            else:
                row += " |"
        rows.append(row)
    return rows


def benchmark_table(data, goals, goal_header):
    return ([f"| benchmark | real time, median (min – max) | CPU time, median (min – max) "
             f"| {goal_header} |",
             "|---|---|---|---|"] + google_benchmark_rows(data, goals))


def scene_section(data, repetitions):
    lines = [
        "## 2. The plug-in's per-frame work outside OpenGL",
        "",
        "Google Benchmark, `bench/scene_work_bench.cpp`. `sceneWorkPerFrame` is one frame's "
        "work apart from GL: `buildScene` (clock, the energies of both channels per sprite, the "
        "sprites' motion, the queue) plus the glow's two energies, and freeing the queue. "
        "`buildScene` makes no GL call, so no context is needed; the queue is freed directly "
        "rather than by `drawSpriteList`, which would draw it. GetTickCount is the stand-in's, "
        "which also logs the call (`tickCountInStandIn`); the Windows call costs less. "
        f"{repetitions} repetitions; the CPU time is the figure that counts on a shared machine. "
        "(Debian's Google Benchmark library says it was built as DEBUG: that is the harness; "
        "the code measured is built optimised.)",
        "",
    ]
    lines += benchmark_table(data, {"sceneWorkPerFrame": SCENE_GOAL_US}, "goal < 10 µs")
    lines += [
        "",
        f"Reproduce: `build/bench/bench/scene_work_bench --benchmark_repetitions={repetitions} "
        "--benchmark_min_time=0.2`",
        "",
    ]
    return lines


def analysis_section(data, repetitions):
    lines = [
        "## 3. The player's analysis per frame",
        "",
        "Google Benchmark, `bench/player_analysis_bench.cpp`: spectrum and waveform of both "
        f"channels for one frame of the demo track. {repetitions} repetitions.",
        "",
    ]
    lines += benchmark_table(data, {"analyseStereoFrame": ANALYSIS_GOAL_US}, "goal < 0.2 ms")
    lines += [
        "",
        f"Reproduce: `build/bench/bench/player_analysis_bench "
        f"--benchmark_repetitions={repetitions} --benchmark_min_time=0.2`",
        "",
    ]
    return lines


def not_measured(title, data):
    status = data["status"] if data else "not run"
    return [f"## {title}", "", f"Not measured yet ({status}).", ""]


def per_frame(run, key):
    return run[key] / run["frames"]


def record_frame_ms(run):
    """A recorded frame end to end: the player's frame loop and, after its last
    frame, the wait for the finished file, shared over the frames."""
    return (run["loop_ms"] + 1000 * run["tail_s"]) / run["frames"]


def runs_of(data, size, output):
    return [r for r in data["runs"] if (r["width"], r["height"]) == (size["width"], size["height"])
            and r["output"] == output]


def floors_of(data, size):
    return [f for f in data["floors"] if (f["width"], f["height"]) == (size["width"], size["height"])]


def by_repetition(entries):
    return {e["repetition"]: e for e in entries}


def record_section(data):
    title = "4. Record mode under Wine against the floor"
    if not data or data.get("status") != "measured":
        return not_measured(title, data)
    demo, fast = data["demo_preset"], "ultrafast"
    repetitions = data["repetitions"]
    lines = [
        f"## {title}",
        "",
        f"`./zelvis demo`'s pipeline end to end: `zelplay.exe --demo-track --record --fps "
        f"{data['fps']} --size W×H --frames N --video-out - --progress`, {BUILD_NAMES[data['build']]} (GLX on our "
        "own Xvfb, llvmpipe), its frames piped into ffmpeg with the demo's command (libx264 "
        f"`-preset {demo} -crf 20`, yuv420p, the track as AAC, an MP4 with faststart; "
        "`bench/record_under_wine.py`). The record rate is the frames over the time from the "
        "start of the player's frame loop (its `loopMs`, from `--log`) to the finished MP4, so "
        "the player's quit and the encoder's drain after the last frame count; the start-up "
        "(Wine, the player and the plug-in, up to the first frame) is shown apart. Beside "
        "each repetition at each size, `frame_cost_bench` runs one short round "
        f"({data['round_seconds']:g} s a variant) of benchmark 1 at the same size: the floor, "
        "natively on Mesa through EGL, each frame finished with glFinish, and the plug-in "
        "natively. Each ratio is taken within a repetition; "
        f"{repetitions} repetitions, median (min – max).",
        "",
        "| view | frames | floor fps (native) | record fps | record / floor | "
        f"goal ≥ {RECORD_GOAL} | start-up s | MP4 kB |",
        "|---|---|---|---|---|---|---|---|",
    ]
    for size in data["sizes"]:
        floors = by_repetition(floors_of(data, size))
        runs = by_repetition(runs_of(data, size, demo))
        common = sorted(set(floors) & set(runs))
        floor_fps = [1000 / floors[r]["floor_ms"] for r in common]
        record_fps = [1000 / record_frame_ms(runs[r]) for r in common]
        ratio = [rec / flo for rec, flo in zip(record_fps, floor_fps)]
        met = "met" if statistics.median(ratio) >= RECORD_GOAL else "not met"
        lines.append(
            f"| {size['width']} × {size['height']} | {size['frames']} | {spread(floor_fps, 1)} "
            f"| {spread(record_fps, 1)} | {spread(ratio, 3)} | {met} "
            f"| {spread([runs[r]['startup_s'] for r in common], 1)} "
            f"| {statistics.median(runs[r]['mp4_bytes'] for r in common) / 1000:.0f} |")
    lines += record_breakdown(data, demo, fast)
    lines += [
        "",
        "Reproduce: `cmake --preset bench && cmake --build build/bench --target frame_cost_bench "
        "&& cmake --preset win32 && cmake --build build/win32 && python3 bench/record_under_wine.py "
        "speed out.json --floor-bench build/bench/bench/frame_cost_bench`",
        "",
    ]
    return lines


def record_breakdown(data, demo, fast):
    """Milliseconds per frame of each step, median over the repetitions, and the
    gap between the floor and a recorded frame split into its causes."""
    columns = []
    for size in data["sizes"]:
        floors = floors_of(data, size)
        with_demo, with_fast, to_null = (runs_of(data, size, o) for o in (demo, fast, "null"))

        def med(runs, value):
            return statistics.median(value(r) for r in runs)

        columns.append({
            "size": size,
            "floor": med(floors, lambda f: f["floor_ms"]),
            "native": med(floors, lambda f: f["plugin_ms"]),
            "wine": med(to_null, lambda r: (r["loop_ms"] - r["capture_ms"] - r["present_ms"])
                        / r["frames"]),
            "present": med(to_null, lambda r: per_frame(r, "present_ms")),
            "capture_null": med(to_null, lambda r: per_frame(r, "capture_ms")),
            "loop_null": med(to_null, lambda r: per_frame(r, "loop_ms")),
            "loop_demo": med(with_demo, lambda r: per_frame(r, "loop_ms")),
            "capture_demo": med(with_demo, lambda r: per_frame(r, "capture_ms")),
            "tail_demo": med(with_demo, lambda r: 1000 * r["tail_s"] / r["frames"]),
            "record_demo": med(with_demo, record_frame_ms),
            "encoder_cpu_demo": med(with_demo, lambda r: 1000 * r["encoder_cpu_s"] / r["frames"]),
            "player_cpu_demo": med(with_demo, lambda r: 1000 * r["player_cpu_s"] / r["frames"]),
            "player_cpu_null": med(to_null, lambda r: 1000 * r["player_cpu_s"] / r["frames"]),
            "record_fast": med(with_fast, record_frame_ms),
            "encoder_cpu_fast": med(with_fast, lambda r: 1000 * r["encoder_cpu_s"] / r["frames"]),
            "mp4_demo": med(with_demo, lambda r: r["mp4_bytes"] / 1000),
            "mp4_fast": med(with_fast, lambda r: r["mp4_bytes"] / 1000),
        })
    rows = [
        ("floor, natively (frame_cost_bench)", "floor"),
        ("plug-in, natively (same round)", "native"),
        ("plug-in under Wine: frame loop to the null device, less read-back and present",
         "wine"),
        ("Wine's present (the real SwapBuffers: the frame to the X server)", "present"),
        ("read-back and write, to the null device (NUL)", "capture_null"),
        ("frame loop to the null device, all of the above", "loop_null"),
        (f"frame loop into ffmpeg, `-preset {demo}` (the demo)", "loop_demo"),
        ("… of which read-back and pipe writes (waits for ffmpeg included)", "capture_demo"),
        ("… after the last frame until the MP4 is written, per frame", "tail_demo"),
        (f"**recorded frame end to end, `-preset {demo}`**", "record_demo"),
        (f"recorded frame end to end, `-preset {fast}` instead", "record_fast"),
        ("CPU of the player (all its threads), to the null device", "player_cpu_null"),
        (f"CPU of the player (all its threads), into ffmpeg `-preset {demo}`",
         "player_cpu_demo"),
        (f"CPU of ffmpeg, `-preset {demo}`", "encoder_cpu_demo"),
        (f"CPU of ffmpeg, `-preset {fast}`", "encoder_cpu_fast"),
    ]
    header = "| ms per frame, median | " + " | ".join(
        f"{c['size']['width']} × {c['size']['height']}" for c in columns) + " |"
    lines = [
        "",
        "Where a recorded frame's time goes (the recordings to the null device and with "
        f"`-preset {fast}` run in the same repetitions, their order turning each time):",
        "",
        header,
        "|---|" + "---|" * len(columns),
    ]
    for label, key in rows:
        lines.append(f"| {label} | " + " | ".join(f"{c[key]:.1f}" for c in columns) + " |")
    lines.append(f"| MP4 kB, `-preset {demo}` / `-preset {fast}` | " + " | ".join(
        f"{c['mp4_demo']:.0f} / {c['mp4_fast']:.0f}" for c in columns) + " |")
    lines += ["", "The gap between the floor and a recorded frame, from the medians above:", ""]
    for c in columns:
        gap = c["record_demo"] - c["floor"]
        parts = [
            ("the plug-in's own frame natively (its sprites; benchmark 1)", c["native"] - c["floor"]),
            ("running under Wine (GLX on Xvfb, llvmpipe) rather than natively",
             c["wine"] - c["native"]),
            ("Wine's present", c["present"]),
            ("read-back and write", c["capture_null"]),
            ("ffmpeg (encoding on the same two cores, the pipe, the drain after the last frame)",
             c["record_demo"] - c["loop_null"]),
        ]
        lines.append(
            f"- {c['size']['width']} × {c['size']['height']}: {gap:+.1f} ms "
            f"({c['floor']:.1f} → {c['record_demo']:.1f}): "
            + "; ".join(f"{name} {ms:+.1f}" for name, ms in parts) + ". "
            f"A recording that cost nothing beyond the plug-in's own frame would reach "
            f"{c['floor'] / c['native']:.2f} of the floor; of the rest, the encoder's share is "
            f"what the recording's settings can win back (with `-preset {fast}` it reaches "
            f"{c['floor'] / c['record_fast']:.2f}).")
    return lines


def memory_section(data):
    title = "5. Peak memory while recording"
    if not data or data.get("status") != "measured":
        return not_measured(title, data)
    mib = 1024
    settled = data["settled_frame"]
    lines = [
        f"## {title}",
        "",
        "Sampled during benchmark 4's recordings with the demo's command "
        f"(`-preset {data['preset']}`), {BUILD_NAMES[data['build']]}. zelplay.exe (the process whose command line names it; "
        "the plug-in, its GL context and llvmpipe live in it) and ffmpeg are read from "
        f"/proc/PID/status every {1000 * data['sample_seconds']:.0f} ms while they run; the "
        "peak is the kernel's own, from each process's exit (getrusage's maxrss). The resident "
        "set counts the pages of Wine's, Mesa's and LLVM's shared libraries that the process "
        "touched (file-backed) apart from its own heap, buffers and textures (anonymous). "
        f"Growth is the resident set at the last frame less the one after frame {settled}. "
        "MiB, median (min – max) over the recordings.",
        "",
        "| view | frames | recordings | zelplay.exe peak | of it anonymous / file-backed, at most "
        f"| zelplay.exe growth after frame {settled} | ffmpeg peak |",
        "|---|---|---|---|---|---|---|",
    ]
    sizes = sorted({(r["width"], r["height"]) for r in data["runs"]})
    for width, height in sizes:
        runs = [r for r in data["runs"] if (r["width"], r["height"]) == (width, height)]
        growth = [(r["player_rss_last_kib"] - r["player_rss_settled_kib"]) / mib for r in runs]
        anon = statistics.median(r["player_rss_anon_kib"] for r in runs) / mib
        file_backed = statistics.median(r["player_rss_file_kib"] for r in runs) / mib
        lines.append(
            f"| {width} × {height} | {runs[0]['frames']} | {len(runs)} "
            f"| {spread([r['player_maxrss_kib'] / mib for r in runs], 0)} "
            f"| {anon:.0f} / {file_backed:.0f} | {spread(growth, 1)} "
            f"| {spread([r['encoder_maxrss_kib'] / mib for r in runs], 0)} |")
    lines += [
        "",
        "Reproduce: `python3 bench/record_under_wine.py memory out.json --from SPEED.json`, "
        "SPEED.json being the results of benchmark 4.",
        "",
    ]
    return lines

SOAK_WARM_STARTS = 10      # starts after which the player counts as warmed up
SOAK_MEMORY_GOAL = 2 << 20  # bytes the process may grow over the starts after warm-up
SOAK_HANDLE_GOAL = 5        # handles, threads or windows it may grow by


def slope(points):
    """Least-squares slope of (x, y) points."""
    xs, ys = zip(*points)
    mx, my = statistics.fmean(xs), statistics.fmean(ys)
    spread_x = sum((x - mx) ** 2 for x in xs)
    return sum((x - mx) * (y - my) for x, y in points) / spread_x if spread_x else 0.0


def soak_rows(data):
    """(label, key, scale, unit, goal in the key's units) of what each stop logs."""
    return [("private bytes (Windows)", "privateBytes", 1 << 20, "MiB", SOAK_MEMORY_GOAL),
            ("resident (Linux)", "rssKiB", 1024, "MiB", SOAK_MEMORY_GOAL >> 10),
            ("anonymous resident (Linux)", "anonKiB", 1024, "MiB", SOAK_MEMORY_GOAL >> 10),
            ("handles", "handles", 1, "", SOAK_HANDLE_GOAL),
            ("threads (Windows)", "threads", 1, "", SOAK_HANDLE_GOAL),
            ("windows", "windows", 1, "", SOAK_HANDLE_GOAL),
            ("GDI objects", "gdiObjects", 1, "", SOAK_HANDLE_GOAL),
            ("USER objects", "userObjects", 1, "", SOAK_HANDLE_GOAL),
            ("open files (Linux)", "files", 1, "", SOAK_HANDLE_GOAL),
            ("threads (Linux)", "tasks", 1, "", SOAK_HANDLE_GOAL)]


def soak_table(data):
    stops = data["stops"]
    last = stops[-1]["start"]
    marks = sorted({SOAK_WARM_STARTS, 100, last})
    lines = ["| after start | " + " | ".join(str(m) for m in marks)
             + f" | slope per 1000 starts after {SOAK_WARM_STARTS} | growth from "
             f"{SOAK_WARM_STARTS} to the end | within the goal |",
             "|---|" + "---|" * (len(marks) + 3)]
    for label, key, scale, unit, goal in soak_rows(data):
        seen = [(s["start"], s[key]) for s in stops if s.get(key) is not None]
        if not seen:
            lines.append(f"| {label} | " + " | ".join("–" for _ in marks)
                         + " | not told by the system | | |")
            continue
        value = dict(seen)
        # The /proc figures of the last stop are missing when the player has already
        # ended; the last stop sampled stands in.
        at = [value.get(m, seen[-1][1] if m == last else None) for m in marks]
        after = [(x, y) for x, y in seen if x > SOAK_WARM_STARTS]
        per_thousand = slope(after) * 1000 if len(after) > 1 else 0.0
        growth = seen[-1][1] - value.get(SOAK_WARM_STARTS, seen[0][1])
        digits = 1 if scale > 1 else 0
        cell = lambda v: "–" if v is None else f"{v / scale:.{digits}f}"  # noqa: E731
        lines.append(f"| {label}{f' ({unit})' if unit else ''} | "
                     + " | ".join(cell(v) for v in at)
                     + f" | {per_thousand / scale:+.{digits + 1}f} | {growth / scale:+.{digits}f} "
                     f"| {'yes' if abs(growth) <= goal else 'no'} |")
    return lines


def soak_section(ours):
    title = "6. A thousand starts in one player"
    if not ours or "stops" not in ours:
        return not_measured(title, ours)
    lines = [
        f"## {title}",
        "",
        f"zelplay.exe ({BUILD_NAMES[ours['build']]}) hosting the plug-in as the media player "
        f"does, a thread and a fresh LoadLibrary per start, for {ours['starts']} starts of "
        f"{ours['frames']} frames each at 160 × 120 with a 1024 × 1024 picture, in one process "
        f"({ours['seconds'] / ours['starts']:.2f} s a start). After each stop the player logs what "
        "Windows tells of itself; the bench reads what Linux tells of the same process from "
        "/proc as soon as the stop is logged. Goal: after the first "
        f"{SOAK_WARM_STARTS} starts, memory grows by no more than "
        f"{SOAK_MEMORY_GOAL >> 20} MiB and handles, threads and windows by no more than "
        f"{SOAK_HANDLE_GOAL}.",
        "",
        f"### {ours['plugin']}",
        "",
    ]
    lines += soak_table(ours)
    lines += [
        "",
        "Under Wine, GetGuiResources is a stub that answers 0, so the GDI and USER object counts "
        "are not told; the windows of the process, counted with EnumWindows, and the window and "
        "class checks of the end-to-end tests stand in for the USER side. Wine also answers "
        "GetProcessHandleCount with 0; the handles are then counted by asking for every handle "
        "value in turn.",
        "",
        "Reproduce: `python3 bench/soak_under_wine.py out.json [--starts N]`.",
        "",
    ]
    return lines


def decode_section(data):
    title = "7. Decoding a second of audio under Wine"
    if not data or data.get("status") != "measured":
        return not_measured(title, data)
    short, long = data["lengths"]
    lines = [
        f"## {title}",
        "",
        f"Measured on {data['date']}. zelplay.exe, {BUILD_NAMES[data['build']]}, decoding the built-in track made {short} s and {long} s "
        "long with ffmpeg (played over and over), as WAV (the player's own reader), FLAC and "
        "MP3 at 192 kbit/s (Windows' Media Foundation, which Wine runs on GStreamer): "
        "`zelplay.exe FILE --write-decoded-wav NUL`, the whole file decoded, then turned into "
        "16-bit WAV bytes for the null device (`bench/decode_under_wine.py`). A second's cost "
        f"is the difference between the {long} s and the {short} s file over the "
        f"{long - short} s between them, taken within a repetition, so that the start of Wine, "
        "the player and Media Foundation drop out; the runs are interleaved. CPU is the player "
        "process's own (all its threads, user and system), the figure to compare on a shared "
        "machine; Wine's server process is not in it, wall time is. "
        f"{data['repetitions']} repetitions, median (min – max).",
        "",
        "| format | CPU ms per second of audio | wall ms per second of audio "
        f"| seconds of audio per CPU second | the {short} s file whole, wall s | file kB per s |",
        "|---|---|---|---|---|---|",
    ]
    for name in ("wav", "flac", "mp3"):
        runs = {(r["seconds"], r["repetition"]): r for r in data["runs"] if r["format"] == name}
        repetitions = sorted({rep for _, rep in runs})
        cpu = [1000 * (runs[long, r]["cpu_s"] - runs[short, r]["cpu_s"]) / (long - short)
               for r in repetitions]
        wall = [1000 * (runs[long, r]["wall_s"] - runs[short, r]["wall_s"]) / (long - short)
                for r in repetitions]
        speed = [1000 / ms for ms in cpu if ms > 0]
        whole = [runs[short, r]["wall_s"] for r in repetitions]
        rate = runs[long, repetitions[0]]["file_bytes"] / long / 1000
        lines.append(f"| {name.upper()} | {spread(cpu, 1)} | {spread(wall, 1)} "
                     f"| {spread(speed, 0) if speed else '–'} | {spread(whole, 2)} "
                     f"| {rate:.0f} |")
    lines += [
        "",
        "Reproduce: `bench/run_benchmarks.sh 7`, or `python3 bench/decode_under_wine.py "
        "out.json [--repetitions N] [--seconds SHORT,LONG]`.",
        "",
    ]
    return lines


TRACK_MEMORY_GOAL_MIB = 4  # the longest track's peak over the shortest's


def track_memory_section(data):
    title = "8. Memory against the track's length"
    if not data or data.get("status") != "measured":
        return not_measured(title, data)
    mib = 1024
    lines = [
        f"## {title}",
        "",
        f"zelplay.exe, {BUILD_NAMES[data['build']]}, playing WAV files of 44.1 kHz 16-bit stereo "
        "(`bench/track_memory_under_wine.py`), written at bench time and removed after: "
        "recorded to their ends at one frame a second on a 160 × 120 window, so that the whole "
        f"file is decoded in minutes, and played live for their first {data['live_frames']} "
        "frames. The player decodes as it plays, through a window of a few seconds of "
        f"samples. Peaks sampled from /proc/PID/status every {POLL_MS} ms; Windows' own "
        "figures from the player's log as the start ends. Goal: the longest track's peak "
        f"within {TRACK_MEMORY_GOAL_MIB} MiB of the shortest's. MiB.",
        "",
        "| track | mode | frames | wall s | peak anonymous resident (Linux) | peak resident "
        "(Linux) | private bytes at the end (Windows) | peak working set (Windows) |",
        "|---|---|---|---|---|---|---|---|",
    ]
    for run in data["runs"]:
        minutes = run["minutes"]
        length = f"{minutes // 60} h" if minutes % 60 == 0 else f"{minutes} min"
        lines.append(
            f"| {length} | {run['mode']} | {run['frames']} | {run['seconds']:.0f} "
            f"| {run['anon_kib'] / mib:.1f} | {run['hwm_kib'] / mib:.1f} "
            f"| {run['private_bytes'] / (1 << 20):.1f} | {run['peak_working_set'] / (1 << 20):.1f} |")
    for mode in ("record", "live"):
        runs = sorted((r for r in data["runs"] if r["mode"] == mode), key=lambda r: r["minutes"])
        if len(runs) < 2:
            continue
        shortest, longest = runs[0], runs[-1]
        growth = (longest["anon_kib"] - shortest["anon_kib"]) / mib
        met = "met" if abs(growth) <= TRACK_MEMORY_GOAL_MIB else "not met"
        lines += ["", f"{mode.capitalize()}: the {longest['minutes']}-minute track peaks "
                  f"{growth:+.1f} MiB of anonymous memory from the {shortest['minutes']}-minute "
                  f"one's ({met})."]
    lines += [
        "",
        "Reproduce: `bench/run_benchmarks.sh 8`, or `python3 bench/track_memory_under_wine.py "
        "out.json [--minutes 1,180]`.",
        "",
    ]
    return lines


POLL_MS = 50


def replace_sections(old_text, new_lines, numbers):
    """The existing file with the sections numbered `numbers` replaced by those of
    `new_lines`, or added at the end, and the header line saying so."""
    def split(lines):
        sections, current, key = {}, [], "head"
        order = []
        for line in lines:
            if line.startswith("## "):
                sections[key] = current
                order.append(key)
                key, current = line.split(".")[0][3:], []
            current.append(line)
        sections[key] = current
        order.append(key)
        return sections, order

    old, order = split(old_text.split("\n"))
    new, _ = split(new_lines)
    for number in numbers:
        if number not in order:
            order.append(number)
        old[number] = new[number]
    today = datetime.date.today().isoformat()
    head = old["head"]
    shown = ", ".join(numbers)
    head[2] = head[2].replace("; run it again", f", section {shown} on {today} "
                              f"(benchmark {shown} alone); run it again", 1)
    return "\n".join(line for key in order for line in old[key])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("results", type=pathlib.Path)
    parser.add_argument("out", type=pathlib.Path)
    parser.add_argument("--rounds", type=int, required=True)
    parser.add_argument("--repetitions", type=int, required=True)
    parser.add_argument("--sections", default="",
                        help="rewrite only these sections (numbers, comma-separated) of the "
                        "existing file, from results of those benchmarks alone")
    args = parser.parse_args()
    machine = load(args.results / "machine.json")
    frame = load(args.results / "frame_cost.json")
    # Each benchmark's section, made only when asked for: a run of some benchmarks
    # alone has no results for the others.
    sections = {
        "1": lambda: frame_section(frame, args.rounds),
        "2": lambda: scene_section(load(args.results / "scene_work.json"), args.repetitions),
        "3": lambda: analysis_section(load(args.results / "player_analysis.json"),
                                      args.repetitions),
        "4": lambda: record_section(load(args.results / "record_wine.json")),
        "5": lambda: memory_section(load(args.results / "record_memory.json")),
        "6": lambda: soak_section(load(args.results / "soak.json")),
        "7": lambda: decode_section(load(args.results / "decode_wine.json")),
        "8": lambda: track_memory_section(load(args.results / "track_memory.json")),
    }
    args.out.parent.mkdir(parents=True, exist_ok=True)
    if args.sections:
        numbers = args.sections.split(",")
        lines = [line for number in numbers for line in sections[number]()]
        args.out.write_text(replace_sections(args.out.read_text(), lines, numbers))
        return

    lines = [
        "# Performance",
        "",
        f"Written by `./zelvis bench` on {datetime.date.today().isoformat()}; run it again to "
        "measure this machine (about half an hour). Benchmarks are never part of the tests. "
        "The bench preset builds optimised (Release) without sanitizers.",
        "",
    ]
    lines += machine_section(machine, frame)
    for make in sections.values():
        lines += make()
    args.out.write_text("\n".join(lines))


if __name__ == "__main__":
    main()
