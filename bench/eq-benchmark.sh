#!/usr/bin/env bash
# Times the equaliser fit (bench/eq_bench.cpp) in build-bench (Release): 6
# biquads on the shipped example, 24 points per octave. With --check it fails
# beyond 200 ms.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DOPBAFF_TESTS=OFF >/dev/null
cmake --build build-bench -j2 --target eq_bench >/dev/null
exec build-bench/eq_bench "$@"
