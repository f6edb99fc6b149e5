#!/usr/bin/env bash
# Installs the build in BUILD_DIR (default: build) into a temporary prefix and
# builds the example program examples/library against it, once through the
# CMake package and once through pkg-config, with nothing but the prefix to
# find the library by. Both programs must print every reference case's result
# file byte for byte, and refuse a bad parameter file with exit status 2; the
# speaker file example must read and write back through opbaff::speaker_file,
# and the speaker heard on the plate link through both alike.
# With --installed PREFIX it uses a tree already installed there instead.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

if [ "${1:-}" = --installed ]; then
    prefix="$(cd "$2" && pwd)"
else
    build="$(cd "${1:-$here/build}" && pwd)"
    prefix="$work/prefix"
    cmake --install "$build" --prefix "$prefix" >/dev/null
fi
cp -r "$here/examples/library" "$work/example"
cmake -S "$work/example" -B "$work/cmake-build" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cmake-build" >/dev/null
export PKG_CONFIG_PATH="$prefix/lib/pkgconfig"
# shellcheck disable=SC2046
g++ -std=c++20 -O2 -o "$work/print-response-pc" "$work/example/print_response.cpp" \
    $(pkg-config --cflags --libs opbaff)

status=0
for program in "$work/cmake-build/print-response" "$work/print-response-pc"; do
    for dir in "$here"/tests/data/golden/*/; do
        if ! "$program" "$dir/Opbaffin.txt" | cmp -s - "$dir/OPBAFF.bds"; then
            echo "$(basename "$program"): $(basename "$dir"): output differs"
            status=1
        fi
    done
    printf '0\nr\nx\n' > "$work/bad.txt"
    set +e
    message="$("$program" "$work/bad.txt" 2>&1 >/dev/null)"
    code=$?
    set -e
    expected="print-response: $work/bad.txt: invalid number: incomprehensible list input (record 3, line 3)"
    if [ "$code" -ne 2 ] || [ "$message" != "$expected" ]; then
        echo "$(basename "$program"): bad file gave status $code and '$message'"
        status=1
    fi
done
# The speaker file's archive through the CMake package: the example reads back
# to the same text, and a bad file is refused with its line and key.
speaker="$work/cmake-build/print-speaker"
if ! "$speaker" "$here/examples/two-way.toml" > "$work/two-way.toml" ||
   ! "$speaker" "$work/two-way.toml" | cmp -s - "$work/two-way.toml"; then
    echo "print-speaker: the example does not read back to the same text"
    status=1
fi
sed 's/^order = 4/order = 3/' "$here/examples/two-way.toml" > "$work/bad.toml"
set +e
message="$("$speaker" "$work/bad.toml" 2>&1 >/dev/null)"
code=$?
set -e
case "$message" in
    "print-speaker: $work/bad.toml:31:9: driver[0].filter[0].order: "*) ;;
    *) code=0 ;;
esac
if [ "$code" -ne 2 ]; then
    echo "print-speaker: bad speaker file gave status $code and '$message'"
    status=1
fi
# The thin-plate model and the speaker through both: the same sum, to the
# printed digit, from the CMake build and the pkg-config one.
# shellcheck disable=SC2046
g++ -std=c++20 -O2 -o "$work/hear-speaker-pc" "$work/example/hear_speaker.cpp" \
    $(pkg-config --cflags --libs opbaff-speaker)
if ! "$work/cmake-build/hear-speaker" "$here/examples/two-way.toml" > "$work/heard-cmake.txt" ||
   ! "$work/hear-speaker-pc" "$here/examples/two-way.toml" > "$work/heard-pc.txt" ||
   ! cmp -s "$work/heard-cmake.txt" "$work/heard-pc.txt" ||
   [ "$(wc -l < "$work/heard-cmake.txt")" -ne 11 ]; then
    echo "hear-speaker: the two builds do not hear the example alike on 11 frequencies"
    status=1
fi
[ $status -eq 0 ] && echo "installed library: both builds of print-response match every reference case"
exit $status
