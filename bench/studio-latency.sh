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
build="${OPBAFF_BUILD_DIR:-build-latency}"
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DOPBAFF_TESTS=OFF >/dev/null
elif grep -q '^CMAKE_BUILD_TYPE:STRING=Release$' "$build/CMakeCache.txt"; then
    cmake -S . -B "$build" >/dev/null
else
    echo "studio-latency.sh: $build is not a Release build" >&2
    exit 2
fi

work="$(mktemp -d)"
server=""
cleanup() {
    if [ -n "$server" ]; then
        kill -TERM "$server" 2>/dev/null || true
        wait "$server" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

if ! cmake --build "$build" -j2 --target opbaff-design studio-latency-client >"$work/build.log" 2>&1
then
    cat "$work/build.log" >&2
    exit 2
fi
design_tool="$(cd "$build" && pwd)/opbaff-design"
client="$(cd "$build" && pwd)/studio-latency-client"

# In an empty folder, so that no Opbaffin.txt is read; the server stops by
# itself should this script be killed.
(cd "$work" && exec "$design_tool" serve --port 0 --stop-after 900 >serve.out 2>serve.err) &
server=$!
port=""
for _ in $(seq 100); do
    port="$(sed -n 's#^opbaff studio: http://127\.0\.0\.1:\([0-9]*\)/$#\1#p' "$work/serve.out")"
    [ -n "$port" ] && break
    sleep 0.1
done
if [ -z "$port" ]; then
    echo "studio-latency.sh: the server did not start: $(cat "$work/serve.err")" >&2
    exit 2
fi

echo "load average: $(uptime | sed 's/.*load average: //') ($(nproc) CPUs)"
status=0
"$client" "$port" standard 1000 "${limit[@]}" || status=$?
"$client" "$port" 48 1000 || status=$?
exit "$status"
