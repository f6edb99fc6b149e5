#!/usr/bin/env bash
# Times the layout search on the shipped two-way example in build-bench
# (Release): 4 values varied (the tweeter's x, the woofer's y, the baffle's
# width and height), 200 layouts, 2 jobs, the on-axis curve's smoothness from
# 100 Hz to 2 kHz on the default coarse grid. With --check it fails beyond 60 s.
# It builds in build-bench, or in OPBAFF_BUILD_DIR if that is set (a Release
# build).
set -euo pipefail
cd "$(dirname "$0")/.."

check=0
if [[ "${1:-}" == "--check" ]]; then check=1; fi

build="${OPBAFF_BUILD_DIR:-build-bench}"
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DOPBAFF_TESTS=OFF >/dev/null
elif ! grep -q '^CMAKE_BUILD_TYPE:STRING=Release$' "$build/CMakeCache.txt"; then
    echo "optimise-benchmark.sh: $build is not a Release build" >&2
    exit 2
fi
cmake --build "$build" -j2 --target opbaff-design >/dev/null

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
start=$(date +%s.%N)
"$build"/opbaff-design optimise examples/two-way.toml \
    --vary tweeter.x=10:30 --vary woofer.y=20:50 \
    --vary baffle.width=30:60 --vary baffle.height=60:120 \
    --evaluations 200 --jobs 2 --seed 1 --output-dir "$out"
end=$(date +%s.%N)
rows=$(($(wc -l <"$out/opbaff-optimise.tsv") - 2))
seconds=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f", b - a }')
awk -v s="$seconds" -v n="$rows" \
    'BEGIN { printf "optimise: %d layouts, 2 jobs: %.2f s (%.1f ms a layout)\n", n, s, 1000 * s / n }'
if ((check)) && awk -v s="$seconds" 'BEGIN { exit !(s > 60) }'; then
    echo "optimise-benchmark: $seconds s is beyond the limit of 60 s" >&2
    exit 1
fi
