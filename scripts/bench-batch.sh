#!/usr/bin/env bash
# Photos per second of ornival-compter with --jobs 1 and --jobs 2, and the same
# work done by two independent --jobs 1 processes at once: the speed-up the
# machine itself allows (two processes share nothing of ours, only the
# processor's caches, the memory bandwidth and the host). On the shipped
# flocks (each photo named many times in one run of the tool), then on flock
# photos of 0.48 and 12 Mpixels; then the peak memory (bytes per pixel) and
# kernel share of a run on 48-Mpixel photos. The load average is printed
# before and after. Needs a built tree with the benchmarks (ornival_bench
# makes the large photos):
#   bash scripts/bench-batch.sh [BUILD_DIR] [RUNS]   (ORNIVAL_BENCH_COPIES: copies per flock, 400)
#
# Every rate is of the photos past a first part: a run of 2N photos less a
# run of N, the best of RUNS of each (runs of every kind alternate, so that a
# busy spell of this shared machine weighs on all alike). So the start of the
# program and each worker's first photo (its buffers' fresh pages) are left
# out the same way for one job, two jobs and two processes. CPU seconds (user
# + kernel) per photo are of the same differences: two jobs must not cost more
# CPU per photo than two processes do.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-5}
tool="$build/compter/ornival-compter"
[ -x "$tool" ] || { echo "build $tool first" >&2; exit 2; }
export QT_QPA_PLATFORM=offscreen
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"

shopt -s nullglob
# Each flock with the sample set a user of it works with: the default flock
# with the factory set, each extra flock with the one in its folder.
flocks=(data/*.jpg data/flocks/*/*.jpg)
[ ${#flocks[@]} -gt 0 ] || { echo "no shipped flocks in data/" >&2; exit 2; }
copies=${ORNIVAL_BENCH_COPIES:-400}  # a field batch is hundreds of photos
samples_for() {
  local own
  own="$(dirname "$1")/ornival.ini"
  if [ -f "$own" ]; then echo "$own"; else echo data/ornival0.ini; fi
}

count() {  # $1 jobs, $2 copies of each photo, then the photos: one run of the tool per photo
  local jobs=$1 n=$2 photo photos
  shift 2
  for photo in "$@"; do
    photos=()
    for _ in $(seq "$n"); do photos+=("$photo"); done
    "$tool" --echantillons "$(samples_for "$photo")" --jobs "$jobs" "${photos[@]}" >/dev/null 2>&1
  done
}
two_processes() {  # $1 copies, then the photos: two --jobs 1 runs at once
  count 1 "$@" &
  count 1 "$@"
  wait
}

timed() {  # prints "wall cpu" in seconds of the command given (cpu: user + kernel of it and its children)
  local report start end
  report=$(mktemp)
  start=$(date +%s.%N)
  /usr/bin/time -f '%U %S' -o "$report" "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" '{ printf "%.4f %.3f\n", b - a, $1 + $2 }' "$report"
  rm -f "$report"
}
export -f count two_processes samples_for
export tool

# measure NAME PHOTOS_PER_RUN_OF_N COPIES PHOTO...: the three ways, N and 2N copies, best of $runs.
measure() {
  local name=$1 photos=$2 n=$3 kind way m result
  shift 3
  declare -A wall cpu
  for _ in $(seq "$runs"); do
    for kind in 1 2 p; do
      for m in "$n" $((2 * n)); do
        if [ "$kind" = p ]; then way=(bash -c 'two_processes "$@"' _ "$m" "$@"); else way=(bash -c 'count "$@"' _ "$kind" "$m" "$@"); fi
        result=$(timed "${way[@]}")
        read -r w c <<<"$result"
        if [ -z "${wall[$kind$m]:-}" ] || awk -v a="$w" -v b="${wall[$kind$m]}" 'BEGIN { exit !(a < b) }'; then
          wall[$kind$m]=$w cpu[$kind$m]=$c
        fi
      done
    done
  done
  # The pair of processes counts twice the photos of one run.
  awk -v name="$name" -v p="$photos" \
      -v a1="${wall[1$n]}" -v b1="${wall[1$((2 * n))]}" -v c1="${cpu[1$n]}" -v d1="${cpu[1$((2 * n))]}" \
      -v a2="${wall[2$n]}" -v b2="${wall[2$((2 * n))]}" -v c2="${cpu[2$n]}" -v d2="${cpu[2$((2 * n))]}" \
      -v ap="${wall[p$n]}" -v bp="${wall[p$((2 * n))]}" -v cp="${cpu[p$n]}" -v dp="${cpu[p$((2 * n))]}" 'BEGIN {
    r1 = p / (b1 - a1); r2 = p / (b2 - a2); rp = 2 * p / (bp - ap)
    printf "%s: --jobs 1 %.1f photos/s, --jobs 2 %.1f photos/s, speed-up %.2f; two processes %.1f photos/s, speed-up %.2f (--jobs 2 at %.2f of it)\n",
      name, r1, r2, r2 / r1, rp, rp / r1, r2 / rp
    printf "%s: CPU per photo %.2f ms (--jobs 1), %.2f ms (--jobs 2), %.2f ms (two processes)\n",
      name, 1000 * (d1 - c1) / p, 1000 * (d2 - c2) / p, 1000 * (dp - cp) / (2 * p) }'
}

measure "shipped flocks (${#flocks[@]}, $copies more copies of each)" $(( ${#flocks[@]} * copies )) "$copies" "${flocks[@]}"
printf 'start of the program (--help): %.3f s\n' "$(timed "$tool" --help | cut -d' ' -f1)"

# Photos of every size, made by the benchmark program from the default flock.
photos="$build/bench-photos"
bench="$build/bench/ornival_bench"
[ -x "$bench" ] || { echo "build $bench first for the photo sizes" >&2; exit 2; }
"$bench" --write-photos="$photos" >/dev/null 2>&1
measure "800x600 (400 more photos)" 400 400 "$photos/vol-800x600.jpg"
measure "4000x3000 (32 more photos)" 32 32 "$photos/vol-4000x3000.jpg"

# Peak memory and kernel share of one job on eight 48-Mpixel photos (the
# start of the program and the first photo's fresh pages are in the share).
big="$photos/vol-8000x6000.jpg"
report=$(mktemp)
/usr/bin/time -v "$tool" --echantillons data/ornival0.ini --jobs 1 "$big" "$big" "$big" "$big" "$big" "$big" "$big" "$big" >/dev/null 2>"$report"
awk -F': ' -v px=$((8000 * 6000)) '
  /User time/ { user = $2 } /System time/ { sys = $2 } /Maximum resident set size/ { rss = $2 * 1024 }
  END { printf "8000x6000, 8 photos, --jobs 1: user %.2f s, kernel %.2f s (%.1f %%), peak %.0f MB = %.2f bytes per pixel\n",
        user, sys, 100 * sys / (user + sys), rss / 1e6, rss / px }' "$report"
rm -f "$report"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
