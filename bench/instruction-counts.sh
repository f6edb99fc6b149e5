#!/usr/bin/env bash
# Instructions executed by one whole run of the program on each reference case,
# counted by callgrind (repeatable, unlike times on a shared machine).
# Usage: bench/instruction-counts.sh [PROGRAM] [--check]
# With --check it fails when a rectangular run exceeds 8.5 million instructions
# or a single-path run 2.2 million.
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

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
status=0
printf '%-28s %14s %12s\n' case instructions limit
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
    printf '%-28s %14s %12s\n' "$name" "$count" "$limit"
    if $check && [ "${count:-999999999}" -gt "$limit" ]; then status=1; fi
done
exit $status
