#!/usr/bin/env bash
# The window's speed on a large flock (bench/WindowBench.cpp) and its peak
# memory on one whole use of a 48-Mpixel flock. Both flocks are made by the
# project's own tool (make_data --grand-vol) in the build folder. Not part of
# the tests.
#   bash scripts/bench-window.sh [BUILD_DIR] [REPETITIONS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
repetitions=${2:-9}
cmake --build "$build" -j"$(nproc)" --target ornival_window_bench make_data

flocks="$build/grand-vol"
[ -f "$flocks/24/grand vol.jpg" ] || "$build/tools/make_data" --grand-vol "$flocks/24" 6000 4000
[ -f "$flocks/48/grand vol.jpg" ] || "$build/tools/make_data" --grand-vol "$flocks/48" 8000 6000

export QT_QPA_PLATFORM=offscreen
out="$build/bench-window-results.txt"
{
  echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
  echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
} | tee "$out"
"$build/bench/ornival_window_bench" --photo="$flocks/24/grand vol.jpg" \
  --benchmark_repetitions="$repetitions" \
  --benchmark_enable_random_interleaving=true \
  --benchmark_report_aggregates_only=true \
  --benchmark_min_time=0.3 2>&1 | tee -a "$out"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)" | tee -a "$out"

# Peak memory of the whole process for one use of the 48-Mpixel flock.
/usr/bin/time -v "$build/bench/ornival_window_bench" --one-use="$flocks/48/grand vol.jpg" 2> "$build/bench-window-memory.txt" | tee -a "$out"
grep -E 'Maximum resident set size|Elapsed' "$build/bench-window-memory.txt" | tee -a "$out"
