#!/usr/bin/env bash
# Sets up, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh test
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DOPBAFF_TESTS=ON -DOPBAFF_WERROR=ON >/dev/null
cmake --build build -j2
ctest --test-dir build --output-on-failure -j2
