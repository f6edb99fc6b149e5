#!/usr/bin/env bash
# Fuzzes the parameter reader with libFuzzer for the given number of seconds
# (default 60), starting from the committed seed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"

scripts/setup.sh clang libclang-rt-14-dev
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DOPBAFF_FUZZ=ON -DOPBAFF_TESTS=OFF >/dev/null
cmake --build build-fuzz -j2 --target parameter_reader_fuzzer
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp tests/fuzz/corpus/* "$work"/
build-fuzz/parameter_reader_fuzzer -max_total_time="$seconds" -max_len=8192 \
    -print_final_stats=1 -artifact_prefix=build-fuzz/crash- "$work" 2>&1 | tail -n 12
