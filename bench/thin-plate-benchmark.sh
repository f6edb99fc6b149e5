#!/usr/bin/env bash
# Times the thin-plate model in build-bench (Release) on 97 frequencies (12 per
# octave, 20 Hz to 5 kHz): the first response of an outline (its edge-to-edge
# operators built), a response after the driver moved (operators reused), and
# one more listening place, each the best of its runs, in wall time and (in
# brackets) in the thread's CPU time, which leaves out the waits for a core on a
# shared machine; then, for a listener kept where it is, the plate's solve for
# that listener (by reciprocity) and a driver moved heard there without a
# solve. With --convergence it prints the README's convergence table instead.
# With --check it fails unless, in the thread's CPU time, on both plates the
# first response takes at most 100 ms, a moved listener 1 ms, the listener's
# solve 100 ms and a driver moved heard at a kept listener 20 ms, and on the
# 50 x 50 cm plate a driver moved and solved again 20 ms.
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
    echo "$out" | python3 -c '
import re, sys
text = sys.stdin.read()
cases = re.findall(r"^(.*?)\s+first response.*?\(thread CPU ([0-9.]+), ([0-9.]+), ([0-9.]+)\)\n"
                   r".*?listener.s solve.*?\(thread CPU ([0-9.]+), ([0-9.]+)\)", text, re.M)
if len(cases) != 2:
    sys.exit("check: the bench printed " + str(len(cases)) + " cases, not 2")
bad = []
for k, (name, first, moved, listener, reception, heard) in enumerate(cases):
    limits = [("first response", first, 100.0), ("listener moved", listener, 1.0),
              ("listener solve", reception, 100.0), ("driver moved, heard there", heard, 20.0)]
    if k == 0:
        limits.append(("driver moved", moved, 20.0))
    bad += [f"{name.strip()}: {what} {float(v)} ms > {l} ms" for what, v, l in limits if float(v) > l]
print("check:", "; ".join(bad) if bad else "within limits")
sys.exit(1 if bad else 0)'
fi
