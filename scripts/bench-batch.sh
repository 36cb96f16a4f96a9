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
#   bash scripts/bench-batch.sh [BUILD_DIR] [ROUNDS]
#   (ORNIVAL_BENCH_COPIES: copies per flock, 400; ORNIVAL_BENCH_QUIET: the
#   share of the machine other work may take in a quiet round, 0.05)
#
# Every rate is of the photos past a first part: a run of 2N photos less a
# run of N. So the start of the program and each worker's first photo (its
# buffers' fresh pages) are left out the same way for one job, two jobs and
# two processes. CPU seconds (user + kernel) per photo are of the same
# differences: two jobs must not cost more CPU per photo than two processes.
#
# The machine is shared: a round runs the three ways one after the other (the
# way that starts turns from round to round), each speed-up is of runs of the
# same round, and the figures are the median and the range over the rounds.
# Beside each run the script reads how much of the two cores everything else
# took meanwhile (/proc/stat's busy time, the host's stolen time included, less
# this run's own CPU time); a round is quiet when no run of it saw others take
# more than ORNIVAL_BENCH_QUIET of the machine, and the medians of the quiet
# rounds are given apart: on a busy machine the one-job run is slowed by
# others, not by the program, and only those rounds say how the tool scales.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
rounds=${2:-9}
quiet=${ORNIVAL_BENCH_QUIET:-0.05}
cores=$(nproc)
tick=$(getconf CLK_TCK)
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

busy_ticks() {  # the machine's busy time since boot, in clock ticks (the host's stolen time included)
  awk '/^cpu / { print $2 + $3 + $4 + $7 + $8 + $9 }' /proc/stat
}
timed() {  # prints "wall cpu others" of the command given: seconds, seconds (user + kernel of it and its children), share of the machine others took
  local report start end busy0 busy1
  report=$(mktemp)
  busy0=$(busy_ticks)
  start=$(date +%s.%N)
  /usr/bin/time -f '%U %S' -o "$report" "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  busy1=$(busy_ticks)
  awk -v a="$start" -v b="$end" -v u="$busy1" -v v="$busy0" -v hz="$tick" -v n="$cores" '{
    wall = b - a; own = $1 + $2; others = ((u - v) / hz - own) / (n * wall)
    printf "%.4f %.3f %.3f\n", wall, own, others < 0 ? 0 : others }' "$report"
  rm -f "$report"
}
export -f count two_processes samples_for
export tool tick cores

# measure NAME PHOTOS_PER_RUN_OF_N COPIES PHOTO...: the three ways, N and 2N
# copies, in $rounds rounds; then the medians and ranges over the rounds.
measure() {
  local name=$1 photos=$2 n=$3 kind way m round runs order
  shift 3
  runs=$(mktemp)
  for round in $(seq "$rounds"); do
    case $((round % 3)) in 1) order="1 2 p" ;; 2) order="2 p 1" ;; *) order="p 1 2" ;; esac
    for kind in $order; do
      for m in "$n" $((2 * n)); do
        if [ "$kind" = p ]; then way=(bash -c 'two_processes "$@"' _ "$m" "$@"); else way=(bash -c 'count "$@"' _ "$kind" "$m" "$@"); fi
        echo "$round $kind $m $(timed "${way[@]}")" >>"$runs"
      done
    done
  done
  # Lines "round kind copies wall cpu others"; the pair of processes counts
  # twice the photos of one run.
  awk -v name="$name" -v p="$photos" -v n="$n" -v quiet="$quiet" '
    function median(a, k,   i, j, t, b) {
      for (i = 1; i <= k; ++i) b[i] = a[i]
      for (i = 2; i <= k; ++i) for (j = i; j > 1 && b[j - 1] > b[j]; --j) { t = b[j]; b[j] = b[j - 1]; b[j - 1] = t }
      return k % 2 ? b[(k + 1) / 2] : (b[k / 2] + b[k / 2 + 1]) / 2
    }
    function least(a, k,   i, r) { r = a[1]; for (i = 2; i <= k; ++i) if (a[i] < r) r = a[i]; return r }
    function most(a, k,   i, r) { r = a[1]; for (i = 2; i <= k; ++i) if (a[i] > r) r = a[i]; return r }
    { wall[$1, $2, $3] = $4; cpu[$1, $2, $3] = $5; if ($6 > busy[$1]) busy[$1] = $6; last = $1 }
    END {
      k = 0; q = 0
      for (r = 1; r <= last; ++r) {
        r1 = p / (wall[r, 1, 2 * n] - wall[r, 1, n])
        r2 = p / (wall[r, 2, 2 * n] - wall[r, 2, n])
        rp = 2 * p / (wall[r, "p", 2 * n] - wall[r, "p", n])
        ++k; s2[k] = r2 / r1; sp[k] = rp / r1; rate1[k] = r1; rate2[k] = r2; ratep[k] = rp; others[k] = busy[r]
        c1[k] = 1000 * (cpu[r, 1, 2 * n] - cpu[r, 1, n]) / p
        c2[k] = 1000 * (cpu[r, 2, 2 * n] - cpu[r, 2, n]) / p
        cp[k] = 1000 * (cpu[r, "p", 2 * n] - cpu[r, "p", n]) / (2 * p)
        if (busy[r] <= quiet) { ++q; qs2[q] = s2[k]; qsp[q] = sp[k]; qc1[q] = c1[k]; qc2[q] = c2[k]; qcp[q] = cp[k] }
      }
      printf "%s, %d rounds: --jobs 1 %.1f photos/s, --jobs 2 %.1f photos/s, two processes %.1f photos/s (medians)\n",
        name, k, median(rate1, k), median(rate2, k), median(ratep, k)
      printf "%s: speed-up of 2 jobs %.2f (%.2f to %.2f), of two processes %.2f (%.2f to %.2f); others took %.0f %% of the machine (median of the rounds, %.0f %% to %.0f %%)\n",
        name, median(s2, k), least(s2, k), most(s2, k), median(sp, k), least(sp, k), most(sp, k),
        100 * median(others, k), 100 * least(others, k), 100 * most(others, k)
      printf "%s: CPU per photo %.2f ms (--jobs 1, %.2f to %.2f), %.2f ms (--jobs 2, %.2f to %.2f), %.2f ms (two processes, %.2f to %.2f)\n",
        name, median(c1, k), least(c1, k), most(c1, k), median(c2, k), least(c2, k), most(c2, k), median(cp, k), least(cp, k), most(cp, k)
      if (q > 0)
        printf "%s: %d quiet rounds (others under %.0f %%): speed-up of 2 jobs %.2f (%.2f to %.2f), of two processes %.2f; CPU per photo %.2f, %.2f, %.2f ms\n",
          name, q, 100 * quiet, median(qs2, q), least(qs2, q), most(qs2, q), median(qsp, q), median(qc1, q), median(qc2, q), median(qcp, q)
      else
        printf "%s: no quiet round (others under %.0f %% of the machine): the speed-ups above say how busy the machine was\n", name, 100 * quiet
    }' "$runs"
  rm -f "$runs"
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
