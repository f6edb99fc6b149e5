#!/usr/bin/env bash
# Measures what a drag of one driver costs the studio's POST /api/speaker on
# loopback: the shipped two-way example on 4 points per octave (41
# frequencies), then the tweeter moved by 1 cm 20 times, each request sending
# the file the previous one answered, so that the server solves the tweeter
# alone (driversSolved 1); prints the first solve and the best and median of
# the moves, with the load of the machine.
#
#   bench/speaker-drag.sh [BUILD_DIR]   (default: build; needs opbaff-design, curl, python3)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
design="$build/opbaff-design"
[ -x "$design" ] || { echo "speaker-drag.sh: no $design; build the target opbaff-design" >&2; exit 2; }

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

"$design" serve --port 0 --stop-after 600 >"$work/serve.log" 2>&1 &
server=$!
url=""
for _ in $(seq 100); do
    url="$(grep -o 'http://127\.0\.0\.1:[0-9]*/' "$work/serve.log" || true)"
    [ -n "$url" ] && break
    sleep 0.1
done
[ -n "$url" ] || { echo "speaker-drag.sh: the studio printed no address" >&2; exit 1; }

post() {  # post FILE QUERY: the answer in $work/answer.json, the time on stdout
    curl -s -o "$work/answer.json" -w '%{time_total}\n' -X POST -H 'Content-Type: text/plain' \
         --data-binary @"$1" "${url}api/speaker?grid=4$2"
}
fileOf() {  # the answer's speaker file and how many drivers it solved
    python3 -c 'import json, sys
a = json.load(open(sys.argv[1]))
open(sys.argv[2], "w").write(a["file"])
print(a["driversSolved"])' "$work/answer.json" "$work/speaker.toml"
}

first="$(post examples/two-way.toml "")"
fileOf >/dev/null
times=()
for k in $(seq 20); do
    x=$((20 + k % 2))
    times+=("$(post "$work/speaker.toml" "&move=1:$x:80")")
    solved="$(fileOf)"
    [ "$solved" = 1 ] || { echo "speaker-drag.sh: a move solved $solved drivers" >&2; exit 1; }
done
printf '%s\n' "${times[@]}" | python3 -c "import statistics, sys
t = [float(line) * 1000 for line in sys.stdin]
print(f'first solve {float(sys.argv[1]) * 1000:.0f} ms; driver moved: best {min(t):.0f} ms, median {statistics.median(t):.0f} ms (20 moves)')" "$first"
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
