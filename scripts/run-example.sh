#!/usr/bin/env bash
# Sets up, builds, and runs the program on the shipped example.
# The result is left in build/example/OPBAFF.bds, beside the plot and the FRD
# files that opbaff-design plot writes from the same parameters. The build holds
# every program that `cmake --install build` installs. OPBAFF_BUILD_DIR names
# another build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${OPBAFF_BUILD_DIR:-build}"

scripts/setup.sh build
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DOPBAFF_TESTS=OFF >/dev/null
# Without the tests, the default target is what the install rules need.
cmake --build "$build" -j2
mkdir -p "$build/example"
cp examples/Opbaffin.txt "$build/example/"
(cd "$build/example" && ../opbaff && ../opbaff-design plot)
echo "result: $build/example/OPBAFF.bds ($(wc -l < "$build/example/OPBAFF.bds") rows)"
echo "plot: $build/example/opbaff-response.svg; FRD files: $build/example/*.frd"
