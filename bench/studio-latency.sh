#!/usr/bin/env bash
# Measures the latency of the studio's POST /api/response on loopback: one
# client, one kept-alive connection, 1,000 requests for the shipped example (a
# rectangular design) on the standard grid and on a 48-per-octave grid; prints
# the median and the 95th percentile of each.
#
#   bench/studio-latency.sh [--check]
#
# With --check it fails unless the 95th percentile on the standard grid is
# below 5 ms. It builds in build-latency (Release), or in OPBAFF_BUILD_DIR if
# set (an existing build folder must be a Release build). Other programs using
# the CPU at the same time lengthen the figures: the load is printed with them.
set -euo pipefail
cd "$(dirname "$0")/.."

limit=()
if [ "${1:-}" = "--check" ]; then
    limit=(5)
fi
# Its HTTP client comes with the test group.
scripts/setup.sh libcpp-httplib-dev
. bench/studio-server.sh
release_build studio-latency.sh

work="$(mktemp -d)"
trap 'stop_studio; rm -rf "$work"' EXIT

if ! cmake --build "$build" -j2 --target opbaff-design studio-latency-client >"$work/build.log" 2>&1
then
    cat "$work/build.log" >&2
    exit 2
fi
design_tool="$(cd "$build" && pwd)/opbaff-design"
client="$(cd "$build" && pwd)/studio-latency-client"

# In an empty folder, so that no Opbaffin.txt is read; the server stops by
# itself should this script be killed.
start_studio studio-latency.sh "$design_tool" "$work" serve 900

echo "load average: $(uptime | sed 's/.*load average: //') ($(nproc) CPUs)"
status=0
"$client" "$port" standard 1000 "${limit[@]}" || status=$?
"$client" "$port" 48 1000 || status=$?
exit "$status"
