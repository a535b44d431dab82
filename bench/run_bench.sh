#!/usr/bin/env bash
# Whole-program benchmark: the program on generated routes of 10^4, 10^5 and
# 10^6 points beside `wc -l` (reading the file once) and a gpsbabel GPX to
# CSV conversion of the same file, timed with hyperfine (medians); our peak
# memory at 10^6 points; and the ride-loop benchmark (fast searches beside
# plain scans) on the 10^5-point route. Prints the table and checks the
# targets; the exit status is 1 when one is missed. Not part of CI.
#
# Usage: bench/run_bench.sh [work directory]   (default: a fresh temporary one)
# Environment: RUNS (hyperfine runs per command, default 10), POWER (watts
# typed at the prompt, default 200), SEED (route generator seed, default 1).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
tools/setup.sh hyperfine gpsbabel python3 time

build=$repo/build-bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DRIDE_BENCH=ON -DRIDE_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target ride_estimate loop_bench >/dev/null
program=$build/src/ride/ride_estimate
loop_bench=$build/bench/loop_bench

work=${1:-$(mktemp -d)}
mkdir -p "$work"
runs=${RUNS:-10}
power=${POWER:-200}
seed=${SEED:-1}
sizes=(10000 100000 1000000)
echo "Work directory: $work"

# The dialogue: route base name, power, a letter at the closing prompt.
for n in "${sizes[@]}"; do
  dir=$work/$n
  mkdir -p "$dir"
  [ -f "$dir/route.gpx" ] || python3 bench/gen_route.py "$n" "$seed" "$dir/route.gpx"
  printf 'route\n%s\nq\n' "$power" >"$dir/dialogue"
done

for n in "${sizes[@]}"; do
  dir=$work/$n
  echo "Timing $n points..."
  (cd "$dir" && hyperfine --style basic --warmup 1 --runs "$runs" --export-json timings.json \
     -n ours "$program < dialogue > screen" \
     -n wc "wc -l route.gpx" \
     -n gpsbabel "gpsbabel -i gpx -f route.gpx -o unicsv -F /dev/null" >/dev/null)
done

# Peak memory of one run at 10^6 points.
big=$work/1000000
(cd "$big" && /usr/bin/time -v "$program" <dialogue >screen 2>time.txt) || true
peak_kb=$(sed -n 's/.*Maximum resident set size (kbytes): *//p' "$big/time.txt")

echo "Ride loop on the 10^5-point route (the plain scans take a while)..."
(cd "$work/100000" && "$loop_bench" scratch "$power" 5 >loop.txt) || true

python3 - "$work" "$peak_kb" "${sizes[@]}" <<'PY'
import json, sys
work, peak_kb, sizes = sys.argv[1], int(sys.argv[2] or 0), sys.argv[3:]
medians = {}
for n in sizes:
    with open(f"{work}/{n}/timings.json") as f:
        medians[n] = {r["command"]: r["median"] for r in json.load(f)["results"]}
print()
print(f"{'points':>9} {'ours (s)':>10} {'wc -l (s)':>10} {'gpsbabel (s)':>13} {'gpsbabel/ours':>14} {'ours/wc':>8}")
for n in sizes:
    m = medians[n]
    print(f"{int(n):>9} {m['ours']:>10.4f} {m['wc']:>10.4f} {m['gpsbabel']:>13.4f}"
          f" {m['gpsbabel'] / m['ours']:>14.2f} {m['ours'] / m['wc']:>8.1f}")
growth = medians["1000000"]["ours"] / medians["100000"]["ours"]
print(f"\nGrowth from 10^5 to 10^6 points: {growth:.2f}x")
print(f"Peak memory at 10^6 points: {peak_kb / 1024:.1f} MB")
loop = open(f"{work}/100000/loop.txt").read()
print("\n" + loop.rstrip())
ratio = next((float(l.split()[-2]) for l in loop.splitlines() if "plain / fast" in l), 0.0)
identical = "identical: yes, walking notices identical: yes" in loop
checks = [
    ("10^5 points: at least 3x faster than gpsbabel", medians["100000"]["gpsbabel"] / medians["100000"]["ours"] >= 3),
    ("10^6 points: at least 3x faster than gpsbabel", medians["1000000"]["gpsbabel"] / medians["1000000"]["ours"] >= 3),
    ("10^5 -> 10^6 growth at most 11x", growth <= 11),
    ("peak memory at 10^6 points at most 64 MB", 0 < peak_kb <= 64 * 1024),
    ("ride loop: fast searches at least 100x faster, identical files", ratio >= 100 and identical),
]
print()
for text, ok in checks:
    print(f"  [{'ok' if ok else 'MISSED'}] {text}")
sys.exit(0 if all(ok for _, ok in checks) else 1)
PY
