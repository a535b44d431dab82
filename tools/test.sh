#!/usr/bin/env bash
# Builds everything and runs every test: the normal build, then the same
# suite under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
jobs=$(nproc)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

# The same suite under AddressSanitizer and UndefinedBehaviorSanitizer.
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DRIDE_SANITIZE=ON >/dev/null
cmake --build build-sanitize -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-sanitize --output-on-failure -j"$jobs"

# A short run of each libFuzzer target, from the seed corpora of fuzz/seeds.
tools/fuzz.sh 30
