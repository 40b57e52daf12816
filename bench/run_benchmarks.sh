#!/usr/bin/env bash
# Builds the bench preset, runs every benchmark on this machine and rewrites
# docs/PERFORMANCE.md from the results (kept under build/bench/results).
# One function per benchmark; ./zelvis bench calls this script.
#   ZELVIS_BENCH_ROUNDS        interleaved rounds of the frame cost (default 15)
#   ZELVIS_BENCH_REPETITIONS   repetitions of each Google Benchmark (default 10)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

build=build/bench
results=$build/results
rounds=${ZELVIS_BENCH_ROUNDS:-15}
repetitions=${ZELVIS_BENCH_REPETITIONS:-10}

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

# 4. PLACEHOLDER, not measured yet: the player's record mode under wine64 (frames
# recorded per second). Needs the player's record mode; until it is wired here
# the report says so instead of showing a figure.
benchRecordUnderWine() {
  echo '{"status": "not wired: needs the player'"'"'s record mode"}' >"$results/record_wine.json"
}

# 5. PLACEHOLDER, not measured yet: peak memory of the player while recording.
# Needs the player's record mode, like benchmark 4.
benchRecordPeakMemory() {
  echo '{"status": "not wired: needs the player'"'"'s record mode"}' >"$results/record_memory.json"
}

main() {
  buildBenchmarks
  rm -rf "$results"
  mkdir -p "$results"
  describeMachine
  benchFrameCost
  benchSceneWork
  benchPlayerAnalysis
  benchRecordUnderWine
  benchRecordPeakMemory
  python3 bench/write_performance.py "$results" docs/PERFORMANCE.md \
    --rounds "$rounds" --repetitions "$repetitions"
  echo "zelvis: wrote docs/PERFORMANCE.md"
}

main "$@"
