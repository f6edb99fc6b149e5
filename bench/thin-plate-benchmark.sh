#!/usr/bin/env bash
# Times the thin-plate model in build-bench (Release) on 97 frequencies (12 per
# octave, 20 Hz to 5 kHz): the first response of an outline (its edge-to-edge
# operators built), a response after the driver moved (operators reused), and
# one more listening place, each the best of its runs, in wall time and (in
# brackets) in the thread's CPU time, which leaves out the waits for a core on a
# shared machine. With --convergence it prints the README's
# convergence table instead. With --check it fails unless the first response
# of the 50 x 50 cm plate takes at most 100 ms, a moved driver 20 ms and a
# moved listener 1 ms.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DOPBAFF_TESTS=OFF >/dev/null
cmake --build build-bench -j2 --target thin_plate_bench >/dev/null

if [ "${1:-}" = "--convergence" ]; then
    exec build-bench/thin_plate_bench --convergence
fi
out=$(build-bench/thin_plate_bench)
echo "$out"
if [ "${1:-}" = "--check" ]; then
    echo "$out" | head -1 | python3 -c '
import re, sys
first, drag, move = map(float, re.findall(r"([0-9.]+) ms", sys.stdin.read()))
limits = (100.0, 20.0, 1.0)
bad = [f"{v} ms > {l} ms" for v, l in zip((first, drag, move), limits) if v > l]
print("check:", "; ".join(bad) if bad else "within limits")
sys.exit(1 if bad else 0)'
fi
