#!/usr/bin/env bash
# The README's quick start as a new user runs it, in its order, on a clean build
# folder: the example command, then `cmake --install build` as written (staged
# under a temporary root by DESTDIR, so that it needs no rights on the prefix).
# Then the installed tree must hold all it promises: the three programs, which
# run and give the reference results on the shipped example; every public
# header; the licence; and a CMake package and a pkg-config file through which a
# program builds (scripts/test-install.sh --installed).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
reference="$here/tests/data/golden/rectangular-off-centre"
status=0
fail() {
    echo "$*"
    status=1
}

if ! OPBAFF_BUILD_DIR="$work/build" "$here/scripts/run-example.sh" >"$work/example.log" 2>&1; then
    cat "$work/example.log"
    fail "the example command failed"
    exit 1
fi
if ! (cd "$work" && DESTDIR="$work/root" cmake --install build) >"$work/install.log" 2>&1; then
    cat "$work/install.log"
    fail "cmake --install build failed after the example command"
    exit 1
fi
prefix="$work/root$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$work/build/CMakeCache.txt")"

# The shipped example holds the values of this reference case.
cmp -s "$work/build/example/OPBAFF.bds" "$reference/OPBAFF.bds" ||
    fail "the example command's OPBAFF.bds differs from the reference"

for program in opbaff opbaff-design opbaff-view; do
    [ -x "$prefix/bin/$program" ] || fail "bin/$program is not installed"
done
mkdir "$work/run" "$work/view"
cp "$here/examples/Opbaffin.txt" "$work/run/"
(cd "$work/run" && "$prefix/bin/opbaff") || fail "installed opbaff failed"
cmp -s "$work/run/OPBAFF.bds" "$reference/OPBAFF.bds" ||
    fail "installed opbaff: OPBAFF.bds differs from the reference"
version="$(sed -n 's/^#define OPBAFF_VERSION_\(MAJOR\|MINOR\|PATCH\) \([0-9]*\)$/\2/p' \
    "$here/include/opbaff/opbaff.h" | paste -sd.)"
[ "$("$prefix/bin/opbaff-design" --version)" = "opbaff-design $version" ] ||
    fail "installed opbaff-design --version is not $version"
# The installed opbaff-view writes the same FRD files as the example's plot.
(cd "$work/run" && "$prefix/bin/opbaff-view" --output-dir ../view >/dev/null) ||
    fail "installed opbaff-view failed"
for frd in "$work"/build/example/*.frd; do
    cmp -s "$frd" "$work/view/$(basename "$frd")" ||
        fail "installed opbaff-view: $(basename "$frd") differs from the example's"
done

diff -r "$here/include/opbaff" "$prefix/include/opbaff" >/dev/null ||
    fail "include/opbaff is not installed as it stands in the source"
cmp -s "$here/LICENSE" "$prefix/share/doc/opbaff/LICENSE" || fail "the licence is not installed"
"$here/scripts/test-install.sh" --installed "$prefix" >"$work/consumer.log" 2>&1 || {
    cat "$work/consumer.log"
    fail "the installed CMake package or pkg-config file does not build a program"
}

[ $status -eq 0 ] && echo "quick start: the example command and cmake --install build give the whole tree"
exit $status
