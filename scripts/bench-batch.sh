#!/usr/bin/env bash
# Photos per second of ornival-compter with --jobs 1 and --jobs 2 on the
# shipped flocks (each counted in one run of the tool that names it several
# times, so a run lasts long enough to time), best of several runs, and the
# speed-up; then the same on flock photos of 0.48 and 12 Mpixels, and the peak
# memory (bytes per pixel) and kernel share of a run on 48-Mpixel photos. The
# load average is printed before and after. Needs a built tree with the
# benchmarks (ornival_bench makes the large photos):
#   bash scripts/bench-batch.sh [BUILD_DIR] [RUNS]   (ORNIVAL_BENCH_COPIES: copies per flock, 400)
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
copies=${ORNIVAL_BENCH_COPIES:-400}  # a field batch is hundreds of photos: the start of the program weighs little
samples_for() {
  local own
  own="$(dirname "$1")/ornival.ini"
  if [ -f "$own" ]; then echo "$own"; else echo data/ornival0.ini; fi
}

run_all() {  # one run of the tool per flock, each on $copies copies of it, with --jobs $1
  local flock photos
  for flock in "${flocks[@]}"; do
    photos=()
    for _ in $(seq "$copies"); do photos+=("$flock"); done
    "$tool" --echantillons "$(samples_for "$flock")" --jobs "$1" "${photos[@]}"
  done
}

seconds() {  # wall time in seconds of the command given
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", b - a }'
}
smaller() { awk -v a="$1" -v b="$2" 'BEGIN { print (b == "" || a < b) ? a : b }'; }

# The runs of one and two jobs alternate, so that a busy spell of this shared
# machine weighs on both alike; the best of each is kept.
n=$(( ${#flocks[@]} * copies ))
t1="" t2=""
for _ in $(seq "$runs"); do
  t1=$(smaller "$(seconds run_all 1)" "$t1")
  t2=$(smaller "$(seconds run_all 2)" "$t2")
done
printf 'flocks: %d distinct, %d photos per run, best of %d runs, %d cores\n' "${#flocks[@]}" "$n" "$runs" "$(nproc)"
awk -v n="$n" -v t1="$t1" -v t2="$t2" 'BEGIN {
  printf "--jobs 1: %6.1f photos/s (%.3f s)\n", n / t1, t1
  printf "--jobs 2: %6.1f photos/s (%.3f s)\n", n / t2, t2
  printf "speed-up: %.2f\n", t1 / t2 }'
printf 'start of the program (--help): %.3f s, paid once per flock in both runs\n' "$(seconds "$tool" --help)"

# Photos of every size, made by the benchmark program from the default flock.
photos="$build/bench-photos"
bench="$build/bench/ornival_bench"
[ -x "$bench" ] || { echo "build $bench first for the photo sizes" >&2; exit 2; }
"$bench" --write-photos="$photos" >/dev/null
cpu_seconds() {  # user + kernel seconds of the command given and its children
  local report
  report=$(mktemp)
  /usr/bin/time -f '%U %S' -o "$report" bash -c "$(declare -f "$1"); tool=$(printf %q "$tool"); $(printf '%q ' "$@")" >/dev/null 2>&1
  awk '{ printf "%.3f", $1 + $2 }' "$report"
  rm -f "$report"
}
run_size() {  # $1 photo, $2 copies, $3 jobs
  local photos=()
  for _ in $(seq "$2"); do photos+=("$1"); done
  "$tool" --echantillons data/ornival0.ini --jobs "$3" "${photos[@]}"
}
for size in 800x600:400 4000x3000:16; do  # photo size : copies per run
  photo="$photos/vol-${size%%:*}.jpg" copies=${size##*:}
  t1="" t2=""
  for _ in $(seq "$runs"); do
    t1=$(smaller "$(seconds run_size "$photo" "$copies" 1)" "$t1")
    t2=$(smaller "$(seconds run_size "$photo" "$copies" 2)" "$t2")
  done
  # CPU seconds (user + kernel) of one run of each: on a busy machine the wall
  # times say little, but two jobs must not cost more CPU than one.
  c1=$(cpu_seconds run_size "$photo" "$copies" 1)
  c2=$(cpu_seconds run_size "$photo" "$copies" 2)
  awk -v s="${size%%:*}" -v n="$copies" -v t1="$t1" -v t2="$t2" -v c1="$c1" -v c2="$c2" 'BEGIN {
    printf "%s, %d photos: --jobs 1 %.1f photos/s, --jobs 2 %.1f photos/s, speed-up %.2f; CPU %.3f s and %.3f s (%.1f and %.1f ms a photo)\n",
      s, n, n / t1, n / t2, t1 / t2, c1, c2, 1000 * c1 / n, 1000 * c2 / n }'
done

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
