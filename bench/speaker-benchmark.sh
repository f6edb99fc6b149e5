#!/usr/bin/env bash
# Times polar on a speaker file (bench/speaker_bench.cpp) in build-bench
# (Release): the shipped two-way speaker, both planes every 5 degrees, its
# FRD texts and spins, one thread. With --check it fails beyond 2 s.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DOPBAFF_TESTS=OFF >/dev/null
cmake --build build-bench -j2 --target speaker_bench >/dev/null
exec build-bench/speaker_bench "$@"
