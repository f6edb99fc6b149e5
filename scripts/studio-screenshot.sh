#!/bin/sh
# Takes docs/studio.png again: the studio in headless Chromium (the browser
# test's own set-up) with two pinned variants, the EQ panel and the directivity.
#
#   scripts/studio-screenshot.sh [BUILD_DIR] [OUTPUT]     (defaults: build, docs/studio.png)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build"}
output=${2:-"$root/docs/studio.png"}
exec python3 "$root/tests/studio/studio_test.py" "$build/opbaff-design" "$build/opbaff" \
    --screenshot "$output"
