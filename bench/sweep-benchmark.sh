#!/usr/bin/env bash
# Times opbaff-design sweep in build-bench (Release): a 2,000-design sweep of a
# rectangular baffle (100 widths x 20 heights) on the standard grid with one job
# and with two, computeResponse alone on the same designs (sweep_baseline), and
# a sweep on a grid of 48 points per octave. Each figure is the best of
# SWEEP_BENCH_REPEATS runs (default 5), taken in turns, so that the load others
# put on the machine disturbs them least; the medians are printed too.
# With --check it fails unless two jobs are at least 1.7 times as fast as one
# and one job costs at most 1.2 times computeResponse alone per design.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh libbenchmark-dev
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DOPBAFF_BENCHMARKS=ON -DOPBAFF_TESTS=OFF \
    >/dev/null
cmake --build build-bench -j2 --target opbaff-design sweep_baseline >/dev/null

python3 - "${1:-}" "${SWEEP_BENCH_REPEATS:-5}" <<'PY'
import os, statistics, subprocess, sys, time

check, repeats = sys.argv[1] == "--check", int(sys.argv[2])
base = "tests/data/golden/rectangular-off-centre/Opbaffin.txt"
sweep2000 = ["width=40:139:1", "height=70:89:1"]  # 100 x 20 designs, the driver (y 70) on each
sweep400 = ["width=40:139:1", "height=70:73:1"]   # 100 x 4 designs
tool = ["build-bench/opbaff-design", "sweep", "--no-plot", "--file", base]

def timed(command):
    start = time.perf_counter()
    out = subprocess.run(command, check=True, capture_output=True, text=True).stdout
    return time.perf_counter() - start, out

def sweep(jobs, specs, grid="standard"):
    seconds, out = timed(tool + ["--jobs", str(jobs), "--grid", grid] + specs)
    rows = out.count("\n") - 1
    assert rows == (2000 if specs is sweep2000 else 400), rows
    return seconds

def baseline():
    out = subprocess.run(["build-bench/sweep_baseline", base] + sweep2000, check=True,
                         capture_output=True, text=True).stdout.split()
    assert out[1] == "2000", out
    return float(out[0])

runs = {"jobs 1": [], "jobs 2": [], "computeResponse": [], "48/octave": []}
print(f"load average before: {os.getloadavg()[0]:.2f}")
for _ in range(repeats):
    runs["jobs 1"].append(sweep(1, sweep2000))
    runs["jobs 2"].append(sweep(2, sweep2000))
    runs["computeResponse"].append(baseline())
    runs["48/octave"].append(sweep(1, sweep400, "48"))
print(f"load average after:  {os.getloadavg()[0]:.2f}")

best = {name: min(times) for name, times in runs.items()}
for name, times in runs.items():
    count = 400 if name == "48/octave" else 2000
    print(f"{name:16s} best {best[name]:7.3f} s ({1e3 * best[name] / count:.3f} ms/design), "
          f"median {statistics.median(times):7.3f} s")
speedup = best["jobs 1"] / best["jobs 2"]
overhead = best["jobs 1"] / best["computeResponse"]
print(f"2,000-design sweep, standard grid: jobs 1 {best['jobs 1']:.3f} s, "
      f"jobs 2 {best['jobs 2']:.3f} s, speed-up {speedup:.2f} (limit 1.70)")
print(f"per design with jobs 1: {1e3 * best['jobs 1'] / 2000:.3f} ms against computeResponse "
      f"alone {1e3 * best['computeResponse'] / 2000:.3f} ms: ratio {overhead:.3f} (limit 1.20)")
print(f"per design on 48 points per octave (jobs 1): {1e3 * best['48/octave'] / 400:.3f} ms")
if check and (speedup < 1.7 or overhead > 1.2):
    print("sweep benchmark: a limit is missed", file=sys.stderr)
    sys.exit(1)
PY
