#!/usr/bin/env bash
# Photos per second of ornival-compter with --jobs 1 and --jobs 2 on the
# shipped flocks (each named several times so a run lasts long enough to
# time), best of several runs, and the speed-up. Needs a built tree:
#   bash scripts/bench-batch.sh [BUILD_DIR] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-5}
tool="$build/tools/compter/ornival-compter"
[ -x "$tool" ] || { echo "build $tool first" >&2; exit 2; }
export QT_QPA_PLATFORM=offscreen

shopt -s nullglob
flocks=(data/*.jpg data/flocks/*.jpg)
[ ${#flocks[@]} -gt 0 ] || { echo "no shipped flocks in data/" >&2; exit 2; }
photos=()
while [ ${#photos[@]} -lt 60 ]; do photos+=("${flocks[@]}"); done

best() {  # best wall time in seconds of $runs runs of the tool with --jobs $1
  local best=""
  for _ in $(seq "$runs"); do
    local start end t
    start=$(date +%s.%N)
    "$tool" --echantillons data/ornival0.ini --jobs "$1" "${photos[@]}" >/dev/null 2>&1
    end=$(date +%s.%N)
    t=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", b - a }')
    if [ -z "$best" ] || awk -v t="$t" -v b="$best" 'BEGIN { exit !(t < b) }'; then best=$t; fi
  done
  echo "$best"
}

n=${#photos[@]}
t1=$(best 1)
t2=$(best 2)
printf 'flocks: %d distinct, %d photos per run, best of %d runs, %d cores\n' "${#flocks[@]}" "$n" "$runs" "$(nproc)"
awk -v n="$n" -v t1="$t1" -v t2="$t2" 'BEGIN {
  printf "--jobs 1: %6.1f photos/s (%.3f s)\n", n / t1, t1
  printf "--jobs 2: %6.1f photos/s (%.3f s)\n", n / t2, t2
  printf "speed-up: %.2f\n", t1 / t2 }'
