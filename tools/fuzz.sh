#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for the given time.
# Fails when a target finds a crash, a hang or a broken check; the input that
# shows it is left in build-fuzz (crash-*, timeout-*, leak-*).
# Usage: tools/fuzz.sh [SECONDS] [TARGET...]   (default: 60 s, every target)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(list_read_fuzz format_fuzz gpx_scan_fuzz)
tools/setup.sh clang libclang-rt-14-dev
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRIDE_FUZZ=ON -DRIDE_TESTS=OFF >/dev/null
status=0
for t in "${targets[@]}"; do
  cmake --build build-fuzz -j"$(nproc)" --target "$t"
  corpus=build-fuzz/corpus/$t
  mkdir -p "$corpus"
  [ -d "fuzz/seeds/$t" ] && cp -n fuzz/seeds/"$t"/* "$corpus"/ 2>/dev/null || true
  echo "== $t for $seconds s"
  log=build-fuzz/$t.log
  if ! (cd build-fuzz && ./fuzz/"$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      "corpus/$t" >"$t.log" 2>&1); then
    status=1
    echo "== $t FOUND A FAULT:"
    tail -n 80 "$log"
  fi
  grep -E "stat::number_of_executed_units|stat::new_units_added|Done" "$log" || true
done
exit $status
