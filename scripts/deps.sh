#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the program need. Quick when they
# are all there: apt is only asked when a package is missing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build clang libclang-rt-14-dev
    # the linker: relinking every test after an edit is most of an incremental build
    lld
    qt6-base-dev qt6-serialport-dev libgl-dev qt6-qpa-plugins
    libbenchmark-dev
    # SVG import: the Svg module and its image format plugin, and zlib for inflating svgz
    qt6-svg-dev zlib1g-dev
    fonts-ipafont-gothic
    # a fixed-pitch font, for the hex rows measured in characters in the tests
    fonts-dejavu-core
    # the SVG image format plug-in, so that SVG import is tested rather than skipped
    libqt6svg6
    # a virtual port pair, the stand-in for a device that the send tests also use
    socat
    xvfb xauth xdotool x11-utils imagemagick
    # the end-to-end tests read the name a file dialog proposes through the clipboard
    xclip
    # scripts/screenshots: a window manager on the virtual display, so windows get frames
    openbox
    # the source checks: scripts/format, scripts/tidy, scripts/wincheck
    clang-format clang-tidy python3 g++-mingw-w64-x86-64-posix
    # the package and its checks: scripts/package, tests/test_package.sh
    dpkg-dev desktop-file-utils appstream
    lintian man-db
    # the translations: lupdate and lrelease with their CMake functions, Qt's own Japanese
    qt6-l10n-tools qt6-tools-dev qt6-translations-l10n
    # the network port tests start their own serial server on the loopback interface
    ser2net
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

# The serial server runs only when a test starts it, on the loopback interface: its system
# service, which the package enables, would serve the machine's ports to the network.
if systemctl is-enabled --quiet ser2net 2>/dev/null; then
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    # --now needs a running service manager; without one, the disable alone is what counts.
    "${sudo_cmd[@]}" systemctl disable --now ser2net 2>/dev/null \
        || "${sudo_cmd[@]}" systemctl disable ser2net
fi
