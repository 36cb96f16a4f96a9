#!/usr/bin/env bash
# libFuzzer runs of the code that reads hostile bytes, under AddressSanitizer
# and UndefinedBehaviorSanitizer:
#   fuzz_jpeg       the photo decoder with the batch counter's limits, inside
#                   a libjpeg-turbo built here with the same instrumentation;
#   fuzz_bmp        a working-bitmap file through "charger bmp": the reader,
#                   the group mask and the black overlay;
#   fuzz_sampleset  the sample-set text reader.
# Each starts from the corpus that tools/make_corpus makes and from the inputs
# kept in fuzz/corpus/<target>/. A finding stops the script with the input
# saved in build-fuzz/findings/.
#
#   scripts/fuzz.sh               the short run of CI, about 90 seconds in all
#   scripts/fuzz.sh --long MIN [TARGET...]
#                                 MIN minutes per target (jpeg, bmp, sampleset;
#                                 all by default); the new inputs are then
#                                 merged (minimised) into fuzz/corpus/
# ORNIVAL_FUZZ_RUNS sets one execution count for every target of a short run.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
minutes=0
only=""
if [ "${1:-}" = "--long" ]; then
  minutes=${2:?"usage: scripts/fuzz.sh [--long MINUTES [TARGET...]]"}
  shift 2
  only=" $* "
fi

flags="-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined"

# libjpeg-turbo of the installed version, from Debian's source package, built
# once per version into build-fuzz/ with the fuzz flags (no SIMD: assembly
# would hide the decoding from coverage and the sanitizers).
version=$(dpkg-query -W -f='${Version}' libjpeg62-turbo-dev)
jpeg=$PWD/build-fuzz/libjpeg-turbo-${version#*:}
if [ ! -f "$jpeg/lib/libjpeg.a" ]; then
  if ! apt-cache showsrc libjpeg-turbo 2>/dev/null | grep -q '^Package:'; then
    echo "fuzz.sh: no source package of libjpeg-turbo: run scripts/install-deps.sh (it adds a deb-src line)" >&2
    exit 1
  fi
  rm -rf "$jpeg"
  mkdir -p "$jpeg/source" "$jpeg/include" "$jpeg/lib"
  (cd "$jpeg/source" && apt-get source -qq "libjpeg-turbo=$version" >/dev/null)
  src=$(find "$jpeg/source" -mindepth 1 -maxdepth 1 -type d -name 'libjpeg-turbo-*')
  CC=clang cmake -S "$src" -B "$jpeg/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF \
    -DCMAKE_C_FLAGS="$flags" >"$jpeg/configure.log"
  cmake --build "$jpeg/build" -j"$jobs" --target jpeg-static >"$jpeg/build.log"
  cp "$src"/jpeglib.h "$src"/jmorecfg.h "$src"/jerror.h "$jpeg/build/jconfig.h" "$jpeg/include/"
  cp "$jpeg/build/libjpeg.a" "$jpeg/lib/"
fi

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DORNIVAL_BUILD_FUZZERS=ON -DBUILD_TESTING=OFF -DORNIVAL_BUILD_UI=OFF -DORNIVAL_BUILD_BENCHMARKS=OFF \
  -DJPEG_INCLUDE_DIR="$jpeg/include" -DJPEG_LIBRARY="$jpeg/lib/libjpeg.a"
# The corpus tool is instrumented too; what Qt keeps until exit is no finding.
ASAN_OPTIONS=detect_leaks=0 cmake --build build-fuzz -j"$jobs" --target fuzz_jpeg fuzz_bmp fuzz_sampleset corpus

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:allocator_may_return_null=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkdir -p build-fuzz/findings
# target:tool corpus folder:longest input:seconds of a short run:options. A
# sample-set file is some 150 bytes; longer texts are the unit tests' business
# and would only slow each run down. A photo of 8 KB holds every kind of
# segment and scan; longer ones mostly cost time (and room in the kept corpus).
for target_def in "jpeg:jpeg:8192:45:-dict=fuzz/jpeg.dict" bmp:bmp:65536:30: sampleset:ini:4096:15:; do
  IFS=: read -r target folder maxlen seconds options <<<"$target_def"
  if [ -n "${only// /}" ] && [[ "$only" != *" $target "* ]]; then
    continue
  fi
  kept=fuzz/corpus/$target
  mkdir -p "$kept"
  # New inputs go to a scratch folder, so the seeds stay as they are.
  work=$(mktemp -d)
  if [ "$minutes" -gt 0 ]; then
    budget=(-max_total_time=$((minutes * 60)))
  elif [ -n "${ORNIVAL_FUZZ_RUNS:-}" ]; then
    budget=(-runs="$ORNIVAL_FUZZ_RUNS")
  else
    budget=(-max_total_time="$seconds")
  fi
  echo "fuzz_$target: ${budget[*]} from $(ls build-fuzz/corpus/$folder | wc -l) made and $(ls "$kept" | wc -l) kept inputs"
  status=0
  # shellcheck disable=SC2086 # options is one word or none
  build-fuzz/fuzz/fuzz_$target "${budget[@]}" -max_len="$maxlen" -timeout=20 -rss_limit_mb=2048 $options \
    -artifact_prefix=build-fuzz/findings/"$target"- -print_final_stats=1 "$work" "$kept" build-fuzz/corpus/$folder \
    2>build-fuzz/fuzz_$target.log || status=$?
  grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|Done)' build-fuzz/fuzz_$target.log || true
  grep -E '^#[0-9]+.*(DONE|pulse)' build-fuzz/fuzz_$target.log | tail -1 || true
  if [ "$status" -ne 0 ]; then
    rm -rf "$work"
    tail -60 build-fuzz/fuzz_$target.log
    echo "fuzz_$target found a fault: see build-fuzz/findings/"
    exit 1
  fi
  if [ "$minutes" -gt 0 ]; then
    # The kept corpus becomes the smallest set of kept and new inputs that
    # adds edges to those of the tool's files (which are made anew on every
    # run); counting edges only, not how often each runs, keeps it small.
    merged=$(mktemp -d)
    cp build-fuzz/corpus/$folder/* "$merged"/
    # shellcheck disable=SC2086
    build-fuzz/fuzz/fuzz_$target -merge=1 -use_counters=0 -max_len="$maxlen" $options "$merged" "$kept" "$work" \
      2>>build-fuzz/fuzz_$target.log
    (cd build-fuzz/corpus/$folder && for f in *; do rm -f "$merged/$f"; done)
    rm -rf "$kept"
    mkdir -p "$kept"
    cp "$merged"/* "$kept"/ 2>/dev/null || true
    rm -rf "$merged"
    echo "fuzz_$target: fuzz/corpus/$target holds $(ls "$kept" | wc -l) inputs, $(( $(du -sb "$kept" | cut -f1) / 1024 )) KB"
  fi
  rm -rf "$work"
done
