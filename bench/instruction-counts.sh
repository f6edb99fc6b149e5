#!/usr/bin/env bash
# Instructions executed by one whole run of the program on each reference case,
# counted by callgrind (repeatable, unlike times on a shared machine).
# Usage: bench/instruction-counts.sh [PROGRAM] [--check]
# With --check it fails when a rectangular run exceeds 8.5 million instructions
# or a single-path run 2.2 million, or when a case takes more than 2 % over its
# count before the model became a library (the program reading its file and
# computing through the library's public calls).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
program="$here/build/opbaff"
check=false
for arg in "$@"; do
    case "$arg" in
        --check) check=true ;;
        *) program="$(cd "$(dirname "$arg")" && pwd)/$(basename "$arg")" ;;
    esac
done

# Instructions per case of the program as it was before the library (commit
# f747105, measured on the development machine).
declare -A before=(
    [rectangular-bottom-edge]=5588991 [rectangular-centred]=7889584
    [rectangular-crlf-forms]=7905924 [rectangular-off-centre]=7904824
    [single-path-half-delay]=591830 [single-path-half-delay-phase]=622048
    [single-path-piston]=609565)

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
status=0
printf '%-30s %14s %12s %12s %8s\n' case instructions limit before change
for dir in "$here"/tests/data/golden/*/; do
    name="$(basename "$dir")"
    mkdir -p "$work/$name"
    cp "$dir/Opbaffin.txt" "$work/$name/"
    count="$(cd "$work/$name" && valgrind --tool=callgrind --callgrind-out-file=/dev/null \
        "$program" 2>&1 | sed -n 's/.*Collected : \([0-9]*\).*/\1/p')"
    cmp -s "$work/$name/OPBAFF.bds" "$dir/OPBAFF.bds" || { echo "$name: result differs"; status=1; }
    case "$name" in
        rectangular-*) limit=8500000 ;;
        *) limit=2200000 ;;
    esac
    old="${before[$name]:-}"
    change="-"
    if [ -n "$old" ] && [ -n "$count" ]; then
        change="$(awk -v n="$count" -v o="$old" 'BEGIN { printf "%+.2f%%", 100 * (n - o) / o }')"
        if $check && [ "$count" -gt "$((old + old / 50))" ]; then status=1; fi
    fi
    printf '%-30s %14s %12s %12s %8s\n' "$name" "$count" "$limit" "${old:--}" "$change"
    if $check && [ "${count:-999999999}" -gt "$limit" ]; then status=1; fi
done
exit $status
