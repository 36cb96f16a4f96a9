#!/usr/bin/env bash
# The speed benchmarks: installs what they need on Debian 12 (as root: Google
# Benchmark, and OpenCV for the detection's baseline), makes a Release build in
# build-bench/, runs every benchmark with repetitions (interleaved, medians
# kept) and ends with one summary line: each ratio to its baseline of the same
# run and whether it meets its target. Not part of the tests.
#   bash scripts/bench.sh [REPETITIONS] [extra Google Benchmark options...]
set -euo pipefail
cd "$(dirname "$0")/.."
repetitions=${1:-15}
shift || true

if [ "$(id -u)" = 0 ]; then
  bash scripts/install-deps.sh libopencv-dev
else
  dpkg -s libopencv-dev >/dev/null 2>&1 || echo "not root: libopencv-dev is not installed, the OpenCV baselines are skipped" >&2
fi

cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DORNIVAL_BUILD_UI=OFF >/dev/null
cmake --build build-bench -j"$(nproc)" --target ornival_bench

export QT_QPA_PLATFORM=offscreen
out=build-bench/bench-results.txt
{
  echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
  echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
} | tee "$out"
build-bench/bench/ornival_bench \
  --benchmark_repetitions="$repetitions" \
  --benchmark_enable_random_interleaving=true \
  --benchmark_report_aggregates_only=true \
  --benchmark_min_time=0.1 \
  "$@" 2>&1 | tee -a "$out"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)" | tee -a "$out"
grep '^SUMMARY:' "$out" | tail -1
