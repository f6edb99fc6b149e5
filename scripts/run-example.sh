#!/usr/bin/env bash
# Sets up, builds, and runs the program on the shipped example.
# The result is left in build/example/OPBAFF.bds.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target opbaff
mkdir -p build/example
cp examples/Opbaffin.txt build/example/
(cd build/example && ../opbaff)
echo "result: build/example/OPBAFF.bds ($(wc -l < build/example/OPBAFF.bds) rows)"
