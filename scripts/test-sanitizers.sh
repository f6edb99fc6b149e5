#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer in
# build-asan and runs the whole test suite there; any report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh test
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOPBAFF_SANITIZE=ON -DOPBAFF_WERROR=ON >/dev/null
cmake --build build-asan -j2
# The fault-injection tests preload a library ahead of the sanitizer run-time.
export ASAN_OPTIONS="verify_asan_link_order=0:detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
ctest --test-dir build-asan --output-on-failure -j2
