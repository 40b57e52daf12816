#!/usr/bin/env bash
# Builds the bench and win32 presets, runs every benchmark on this machine and
# rewrites docs/PERFORMANCE.md from the results (kept under build/bench/results).
# One function per benchmark; ./zelvis bench calls this script.
#   ZELVIS_BENCH_ROUNDS        interleaved rounds of the frame cost (default 15)
#   ZELVIS_BENCH_REPETITIONS   repetitions of each Google Benchmark (default 10)
#   ZELVIS_BENCH_RECORDINGS    repetitions of the recordings and decodes under Wine (default 3)
#   ZELVIS_BENCH_RECORD_SIZES  sizes and frames recorded (default 640x480:150,1280x720:60)
#   ZELVIS_BENCH_SOAK_STARTS   starts of the plug-in in one player (default 1000)
#   ZELVIS_BENCH_TRACK_MINUTES lengths of the tracks played for memory (default 1,180)
# Benchmark numbers as arguments (run_benchmarks.sh 7 8) run only those and rewrite
# only their sections of docs/PERFORMANCE.md.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

build=build/bench
results=$build/results
rounds=${ZELVIS_BENCH_ROUNDS:-15}
repetitions=${ZELVIS_BENCH_REPETITIONS:-10}
recordings=${ZELVIS_BENCH_RECORDINGS:-3}
recordSizes=${ZELVIS_BENCH_RECORD_SIZES:-640x480:150,1280x720:60}
soakStarts=${ZELVIS_BENCH_SOAK_STARTS:-1000}
trackMinutes=${ZELVIS_BENCH_TRACK_MINUTES:-1,180}

buildBenchmarks() {
  cmake --preset bench >/dev/null
  cmake --build "$build" -j "$(nproc)" --target frame_cost_bench scene_work_bench player_analysis_bench
}

describeMachine() {
  local model
  model=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
  python3 - "$results/machine.json" "$(nproc)" "${model:-unknown}" "$(uname -r)" \
    "$(cut -d' ' -f1-3 /proc/loadavg)" <<'PY'
import json, sys
out, cpus, model, kernel, load = sys.argv[1:]
json.dump({"nproc": int(cpus), "cpu_model": model, "kernel": kernel, "load_before": load},
          open(out, "w"), indent=2)
PY
}

# 1. A whole frame on Mesa (EGL, headless) against the floor of its passes.
benchFrameCost() {
  "$build/bench/frame_cost_bench" assets "$results/frame_cost.json" "$rounds"
}

# 2. The plug-in's per-frame work outside OpenGL.
benchSceneWork() {
  "$build/bench/scene_work_bench" --benchmark_repetitions="$repetitions" \
    --benchmark_min_time=0.2 \
    --benchmark_out="$results/scene_work.json" --benchmark_out_format=json
}

# 3. The player's analysis of one frame of audio.
benchPlayerAnalysis() {
  "$build/bench/player_analysis_bench" --benchmark_repetitions="$repetitions" \
    --benchmark_min_time=0.2 \
    --benchmark_out="$results/player_analysis.json" --benchmark_out_format=json
}

# 4. Record mode of the player under Wine end to end (render, read-back, pipe, ffmpeg with the
# demo's settings into an MP4) against the floor of benchmark 1 at the same size,
# which frame_cost_bench measures for one short round beside each repetition.
benchRecordUnderWine() {
  python3 bench/record_under_wine.py speed "$results/record_wine.json" \
    --floor-bench "$build/bench/frame_cost_bench" --assets assets \
    --sizes "$recordSizes" --repetitions "$recordings"
}

# 5. Peak memory of zelplay.exe (with the plug-in in it) and of ffmpeg while
# recording: sampled from /proc during benchmark 4's recordings with the demo's
# settings, which this picks out.
benchRecordPeakMemory() {
  python3 bench/record_under_wine.py memory "$results/record_memory.json" \
    --from "$results/record_wine.json"
}

# 6. A thousand starts of the plug-in in one player, hosted as the media player
# hosts it, with what the process holds logged after every stop.
benchSoak() {
  python3 bench/soak_under_wine.py "$results/soak.json" --starts "$soakStarts"
}

# 7. Decoding a second of WAV, FLAC and MP3 in zelplay.exe under Wine.
benchDecodeUnderWine() {
  python3 bench/decode_under_wine.py "$results/decode_wine.json" --repetitions "$recordings"
}

# 8. Memory of the player against the track's length: a short and a long WAV
# recorded to their ends and played live for a moment.
benchTrackMemory() {
  python3 bench/track_memory_under_wine.py "$results/track_memory.json" --minutes "$trackMinutes"
}

benchmarks=(benchFrameCost benchSceneWork benchPlayerAnalysis benchRecordUnderWine
            benchRecordPeakMemory benchSoak benchDecodeUnderWine benchTrackMemory)

# The player and the plug-in that the benchmarks under Wine run: the i686 build,
# or the x86_64 one where this machine runs no 32-bit programs natively (under
# QEMU's emulator the i686 build is too slow to time). Each section names it.
buildWinePlayer() {
  ZELVIS_BENCH_BUILD=win32
  if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    ZELVIS_BENCH_BUILD=win64
    echo "zelvis: this machine runs no 32-bit programs natively: the benchmarks under Wine time the x86_64 build" >&2
  fi
  export ZELVIS_BENCH_BUILD
  cmake --preset "$ZELVIS_BENCH_BUILD" >/dev/null
  cmake --build "build/$ZELVIS_BENCH_BUILD" -j "$(nproc)" --target zelplay vis_zel
}

main() {
  buildBenchmarks
  buildWinePlayer
  rm -rf "$results"
  mkdir -p "$results"
  describeMachine
  if [ $# -eq 0 ]; then
    for bench in "${benchmarks[@]}"; do "$bench"; done
  else
    for number in "$@"; do "${benchmarks[number - 1]}"; done
  fi
  python3 bench/write_performance.py "$results" docs/PERFORMANCE.md \
    --rounds "$rounds" --repetitions "$repetitions" --sections "$(IFS=,; echo "$*")"
  echo "zelvis: wrote docs/PERFORMANCE.md"
}

main "$@"
