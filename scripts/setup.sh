#!/usr/bin/env bash
# Installs what building and testing need on a fresh Debian machine.
# Idempotent and quiet when everything is already there.
set -euo pipefail

packages=(g++ cmake make pkg-config libf2c2-dev libgtest-dev gnuplot-nox libexpat1-dev
          libcli11-dev nlohmann-json3-dev libcpp-httplib-dev libmicrohttpd-dev
          chromium chromium-driver python3-selenium "$@")
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
