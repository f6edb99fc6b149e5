#!/usr/bin/env bash
# Installs on a Debian machine the packages of the groups named, plus any other
# packages named; idempotent and quiet when everything is already there.
#
#   scripts/setup.sh [--list] [GROUP | PACKAGE]...
#
# Groups (without one, build):
#   build  build, run and install opbaff, opbaff-design and opbaff-view
#   test   build, plus what the test suite needs: GoogleTest, an XML parser, an
#          HTTP client, and Chromium with its driver and Selenium for the
#          studio's browser test
# --list prints the packages, one a line, and installs nothing.
set -euo pipefail

# One array per group; a package goes into the group of the commands that need it.
build_packages=(g++ cmake make pkg-config libf2c2-dev gnuplot-nox
                libcli11-dev nlohmann-json3-dev libboost-dev libnlopt-cxx-dev
                libtomlplusplus-dev)
test_packages=(libgtest-dev libexpat1-dev libcpp-httplib-dev
               chromium chromium-driver python3-selenium)

list=false
groups=()
extra=()
for word in "$@"; do
    case "$word" in
        --list) list=true ;;
        build | test) groups+=("$word") ;;
        *)
            # A Debian package name, so that no word reaches apt-get as an option.
            if ! [[ "$word" =~ ^[a-z0-9][a-z0-9+.-]+$ ]]; then
                echo "setup.sh: not a group or package name: '$word'" >&2
                exit 2
            fi
            extra+=("$word")
            ;;
    esac
done
[ ${#groups[@]} -gt 0 ] || groups=(build)

packages=()
for group in "${groups[@]}"; do
    packages+=("${build_packages[@]}")
    case "$group" in
        test) packages+=("${test_packages[@]}") ;;
    esac
done
packages+=("${extra[@]}")
# Each package once, in the order first named.
mapfile -t packages < <(printf '%s\n' "${packages[@]}" | awk '!seen[$0]++')

if $list; then
    printf '%s\n' "${packages[@]}"
    exit 0
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi
