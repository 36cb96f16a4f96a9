#!/usr/bin/env bash
# Bounded libFuzzer runs of the file readers (JPEG photo, BMP bitmap, sample-set
# text) under AddressSanitizer and UndefinedBehaviorSanitizer, each seeded from
# the corpus that tools/make_corpus makes. A finding stops the script with the
# crashing input saved in build-fuzz/findings/.
# Executions per target, about 90 seconds in all on 2 cores; ORNIVAL_FUZZ_RUNS
# sets one count for every target.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DORNIVAL_BUILD_FUZZERS=ON -DBUILD_TESTING=OFF -DORNIVAL_BUILD_UI=OFF -DORNIVAL_BUILD_BENCHMARKS=OFF
# The corpus tool is instrumented too; what Qt keeps until exit is no finding.
ASAN_OPTIONS=detect_leaks=0 cmake --build build-fuzz -j"$jobs" --target fuzz_jpeg fuzz_bmp fuzz_sampleset corpus

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:allocator_may_return_null=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkdir -p build-fuzz/findings
# target:seed folder:longest input:runs. A sample-set file is some 150 bytes;
# longer texts are the unit tests' business and would only slow each run down.
for target_def in jpeg:jpeg:65536:200000 bmp:bmp:65536:40000 sampleset:ini:4096:20000; do
  IFS=: read -r target folder maxlen runs <<<"$target_def"
  runs=${ORNIVAL_FUZZ_RUNS:-$runs}
  seeds=build-fuzz/corpus/$folder
  # New inputs go to a scratch folder, so the seeds stay as the tool made them.
  work=$(mktemp -d)
  echo "fuzz_$target: $runs runs from $(ls "$seeds" | wc -l) seeds"
  status=0
  build-fuzz/fuzz/fuzz_$target -runs="$runs" -max_len="$maxlen" -timeout=20 -rss_limit_mb=2048 \
    -artifact_prefix=build-fuzz/findings/"$target"- -print_final_stats=1 "$work" "$seeds" \
    2>build-fuzz/fuzz_$target.log || status=$?
  grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|Done)' build-fuzz/fuzz_$target.log || true
  rm -rf "$work"
  if [ "$status" -ne 0 ]; then
    tail -60 build-fuzz/fuzz_$target.log
    echo "fuzz_$target found a fault: see build-fuzz/findings/"
    exit 1
  fi
done
