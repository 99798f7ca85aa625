#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the program need. Quick when they
# are all there: apt is only asked when a package is missing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build clang libclang-rt-14-dev
    qt6-base-dev qt6-serialport-dev libgl-dev qt6-qpa-plugins
    libbenchmark-dev
    fonts-ipafont-gothic
    # the SVG image format plug-in, so that SVG import is tested rather than skipped
    libqt6svg6
    # a virtual port pair, the stand-in for a device that the send tests also use
    socat
    xvfb xauth xdotool x11-utils imagemagick
    # the source checks: scripts/format, scripts/tidy, scripts/wincheck
    clang-format clang-tidy python3 g++-mingw-w64-x86-64-posix
    # the package and its checks: scripts/package, tests/test_package.sh
    dpkg-dev desktop-file-utils appstream
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
