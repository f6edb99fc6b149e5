#!/usr/bin/env bash
# Sets up, builds, and runs the program on the shipped example.
# The result is left in build/example/OPBAFF.bds, beside the plot and the FRD
# files that opbaff-design plot writes from the same parameters.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target opbaff opbaff-design
mkdir -p build/example
cp examples/Opbaffin.txt build/example/
(cd build/example && ../opbaff && ../opbaff-design plot)
echo "result: build/example/OPBAFF.bds ($(wc -l < build/example/OPBAFF.bds) rows)"
echo "plot: build/example/opbaff-response.svg; FRD files: build/example/*.frd"
