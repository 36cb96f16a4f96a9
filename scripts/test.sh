#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test: the normal build with
# warnings as errors, then the tests again built with AddressSanitizer and
# UndefinedBehaviorSanitizer, then the bounded fuzz runs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORNIVAL_WARNINGS_AS_ERRORS=ON
cmake --build build -j"$jobs"
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j"$jobs"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORNIVAL_SANITIZE=ON \
  -DORNIVAL_BUILD_BENCHMARKS=OFF -DORNIVAL_BUILD_UI=OFF
cmake --build build-sanitize -j"$jobs"
QT_QPA_PLATFORM=offscreen ctest --test-dir build-sanitize --output-on-failure -j"$jobs"

if [ -x scripts/fuzz.sh ]; then
  bash scripts/fuzz.sh
fi
