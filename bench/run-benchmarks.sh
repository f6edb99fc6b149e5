#!/usr/bin/env bash
# Builds and runs the model benchmarks (Google Benchmark) in build-bench.
# With --check it fails unless one rectangular evaluation takes at most 1.3
# times the floor (the sincos of its phases alone, measured in the same run)
# and one single-path evaluation less than 50 microseconds.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh libbenchmark-dev
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DOPBAFF_BENCHMARKS=ON -DOPBAFF_TESTS=OFF \
    >/dev/null
cmake --build build-bench -j2 --target model_benchmark
out="$(mktemp)"
trap 'rm -f "$out"' EXIT
build-bench/model_benchmark --benchmark_min_time=0.3 --benchmark_repetitions=5 \
    --benchmark_report_aggregates_only=true --benchmark_out="$out" --benchmark_out_format=json
if [ "${1:-}" = "--check" ]; then
    python3 - "$out" <<'PY'
import json, sys
runs = {b["run_name"]: b["cpu_time"] for b in json.load(open(sys.argv[1]))["benchmarks"]
        if b.get("aggregate_name") == "median"}
ratio = runs["BM_RectangularModel"] / runs["BM_RectangularFloorSincos"]
single_us = runs["BM_SinglePathModel"] / 1000.0
print(f"rectangular / floor: {ratio:.2f} (limit 1.30); single path: {single_us:.1f} us (limit 50)")
sys.exit(0 if ratio <= 1.3 and single_us < 50.0 else 1)
PY
fi
