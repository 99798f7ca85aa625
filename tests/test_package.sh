#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The package and the files it carries for the desktop, checked with Debian's own tools.
#
#   test_package.sh desktop FILE.desktop      desktop-file-validate
#   test_package.sh metainfo FILE.metainfo.xml   appstreamcli validate, offline
#   test_package.sh deb BUILD_DIR             builds the package from that build with CPack,
#                                             unpacks it and checks what it holds
# Exit code 77 means skipped: the tool the check needs is not installed.
set -euo pipefail

need() {
    for tool in "$@"; do
        if ! command -v "$tool" >/dev/null; then
            echo "SKIP: $tool is not installed (scripts/deps.sh installs it)"
            exit 77
        fi
    done
}

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# Width and height of a PNG, from its header.
png_size() {
    local w h
    w=$(od -An -tu4 --endian=big -j16 -N4 "$1" | tr -d ' ')
    h=$(od -An -tu4 --endian=big -j20 -N4 "$1" | tr -d ' ')
    echo "${w}x${h}"
}

mode=${1:?usage: test_package.sh desktop|metainfo|deb PATH}
path=${2:?usage: test_package.sh desktop|metainfo|deb PATH}
case "$mode" in
desktop)
    need desktop-file-validate
    # Hints are advice; errors and warnings fail.
    output=$(desktop-file-validate "$path" 2>&1) || fail "desktop-file-validate refused $path"
    grep -E ': (error|warning):' <<<"$output" && fail "desktop-file-validate found problems"
    ;;
metainfo)
    need appstreamcli
    appstreamcli validate --no-net --explain "$path" || fail "appstreamcli refused $path"
    ;;
deb)
    need cpack dpkg-deb dpkg-shlibdeps
    build=$path
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 \
        || { cat "$work/cpack.log"; echo "FAIL: cpack could not build the package"; exit 1; }
    debs=("$work"/out/*.deb)
    [ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: no single .deb in ${debs[*]}"; exit 1; }
    deb=${debs[0]}
    dpkg-deb -x "$deb" "$work/root"

    [ "$(dpkg-deb -f "$deb" Package)" = quernel-image-editor ] \
        || fail "package name is $(dpkg-deb -f "$deb" Package)"
    # Computed from the binary, and what it loads at run time.
    depends=$(dpkg-deb -f "$deb" Depends)
    for package in libqt6widgets6 libqt6serialport6 fonts-ipafont-gothic qt6-qpa-plugins \
        qt6-image-formats-plugins libqt6svg6; do
        grep -qE "(^|, )$package( |,|$)" <<<"$depends" || fail "Depends lacks $package: $depends"
    done

    root=$work/root/usr
    program=$root/bin/quernel-image-editor
    [ -x "$program" ] || fail "no executable usr/bin/quernel-image-editor"
    [ "$(head -c 4 "$program" 2>/dev/null | od -An -c | tr -d ' ')" = '177ELF' ] \
        || fail "usr/bin/quernel-image-editor is not a program"

    entry=$root/share/applications/quernel-image-editor.desktop
    if [ -f "$entry" ]; then
        exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
        [ -x "$root/bin/$exec_name" ] || fail "the desktop entry starts '$exec_name', not in the package"
        icon=$(sed -n 's/^Icon=//p' "$entry")
    else
        fail "no desktop entry usr/share/applications/quernel-image-editor.desktop"
        icon=quernel-image-editor
    fi

    for size in 16 32 48 64 128 256; do
        png=$root/share/icons/hicolor/${size}x${size}/apps/$icon.png
        if [ -f "$png" ]; then
            [ "$(png_size "$png")" = "${size}x${size}" ] \
                || fail "${size}x${size}/apps/$icon.png is $(png_size "$png")"
        else
            fail "no icon ${size}x${size}/apps/$icon.png"
        fi
    done
    svg=$root/share/icons/hicolor/scalable/apps/$icon.svg
    grep -q '<svg' "$svg" 2>/dev/null || fail "no scalable icon scalable/apps/$icon.svg"

    metainfo=$root/share/metainfo/io.github.quernel.ImageEditor.metainfo.xml
    if [ -f "$metainfo" ]; then
        grep -q '<launchable type="desktop-id">quernel-image-editor.desktop</launchable>' \
            "$metainfo" || fail "the metainfo does not launch quernel-image-editor.desktop"
    else
        fail "no metainfo usr/share/metainfo/io.github.quernel.ImageEditor.metainfo.xml"
    fi
    ;;
*)
    echo "usage: test_package.sh desktop|metainfo|deb PATH"
    exit 2
    ;;
esac

[ "$failures" -eq 0 ] || exit 1
echo "PASS: $mode"
