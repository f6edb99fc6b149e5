#!/usr/bin/env bash
# Measures what a drag of one driver costs the studio's POST /api/speaker on
# loopback: the shipped two-way example on 4 points per octave (41
# frequencies), then the tweeter moved by 1 cm 20 times, each request sending
# the file the previous one answered, so that the server hears the tweeter
# moved at its listening place on axis without a solve (heardMoved; the first
# move solves that place); prints the first solve, the first move and the best
# and median of the moves, with the load of the machine. With --check it fails
# unless the median move takes at most 50 ms.
#
#   bench/speaker-drag.sh [--check] [BUILD_DIR]   (default: build; needs opbaff-design, curl, python3)
set -euo pipefail
cd "$(dirname "$0")/.."
check=0
if [ "${1:-}" = "--check" ]; then
    check=1
    shift
fi
build="${1:-build}"
design="$build/opbaff-design"
[ -x "$design" ] || { echo "speaker-drag.sh: no $design; build the target opbaff-design" >&2; exit 2; }

work="$(mktemp -d)"
. bench/studio-server.sh
trap 'stop_studio; rm -rf "$work"' EXIT
start_studio speaker-drag.sh "$(cd "$(dirname "$design")" && pwd)/opbaff-design" "$work"

post() {  # post FILE QUERY: the answer in $work/answer.json, the time on stdout
    curl -s -o "$work/answer.json" -w '%{time_total}\n' -X POST -H 'Content-Type: text/plain' \
         --data-binary @"$1" "${url}api/speaker?grid=4$2"
}
fileOf() {  # the answer's speaker file, how many drivers it solved and whether it heard one moved
    python3 -c 'import json, sys
a = json.load(open(sys.argv[1]))
open(sys.argv[2], "w").write(a["file"])
print(a["driversSolved"], str(a["heardMoved"]).lower())' "$work/answer.json" "$work/speaker.toml"
}

first="$(post examples/two-way.toml "")"
fileOf >/dev/null
times=()
for k in $(seq 20); do
    x=$((21 + k % 2))  # never back at the solved 20 cm
    times+=("$(post "$work/speaker.toml" "&move=1:$x:80")")
    solved="$(fileOf)"
    [ "$solved" = "0 true" ] || { echo "speaker-drag.sh: a move was not heard moved ($solved)" >&2; exit 1; }
done
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%s\n' "${times[@]}" | python3 -c "import statistics, sys
t = [float(line) * 1000 for line in sys.stdin]
median = statistics.median(t)
print(f'first solve {float(sys.argv[1]) * 1000:.0f} ms; driver moved: first {t[0]:.0f} ms (its listening place solved), best {min(t[1:]):.0f} ms, median {median:.0f} ms (20 moves)')
if sys.argv[2] == '1':
    print('check:', 'within limits' if median <= 50 else f'median {median:.0f} ms > 50 ms')
    sys.exit(0 if median <= 50 else 1)" "$first" "$check"
