#!/usr/bin/env bash
# Builds the program and starts it in a folder holding the example route:
# answer "parcours" to the first question, then a power such as 200.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target ride_estimate
mkdir -p examples/run
cp examples/parcours.gpx examples/run/
cd examples/run
echo "Dans $(pwd):"
exec ../../build/src/ride/ride_estimate
