#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Start-up time (process start to the frame mapped) and peak memory after start of the editor,
# against a frame with an empty workspace built in the same tree. Runs both alternately on a
# private Xvfb display and prints medians and their ratios.
#
#   bench/startup.sh BUILD_DIR [RUNS]     (BUILD_DIR configured with -DQIE_BENCH=ON)
set -euo pipefail

build=${1:?usage: startup.sh BUILD_DIR [RUNS]}
runs=${2:-15}
editor="$build/quernel-image-editor"
minimal="$build/bench/minimal_frame"
for tool in Xvfb xev xdotool; do
    command -v "$tool" >/dev/null || { echo "missing $tool: run scripts/deps.sh" >&2; exit 1; }
done
for f in "$editor" "$minimal"; do
    [ -x "$f" ] || { echo "missing $f: build with -DQIE_BENCH=ON" >&2; exit 1; }
done

work=$(mktemp -d)
xvfb_pid=
trap '[ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; cat "$work/stderr" >&2 2>/dev/null; rm -rf "$work"' EXIT
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(cat "$work/display")"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
# The number can be written a moment before the server accepts clients.
for _ in $(seq 100); do
    xdotool getmouselocation >/dev/null 2>&1 && break
    sleep 0.05
done

# Prints "milliseconds kilobytes" for one start of $1. The end is the first window mapped on
# the display, which xev (listening on the root window before the start) reports as it
# happens; nothing polls while the program starts.
measure() {
    local start end pid hwm line
    coproc XEV { exec stdbuf -oL xev -root -event substructure; }
    local xev_pid=$XEV_PID
    sleep 0.3
    start=$(date +%s%N)
    "$1" >/dev/null 2>>"$work/stderr" &
    pid=$!
    while read -r line <&"${XEV[0]}"; do
        [[ $line == MapNotify* ]] && break
    done
    end=$(date +%s%N)
    kill "$xev_pid" 2>/dev/null || true
    wait "$xev_pid" 2>/dev/null || true
    sleep 0.5 # let the first paint and the font loading finish before reading the peak
    hwm=$(awk '/^VmHWM:/ { print $2 }' "/proc/$pid/status")
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    echo "$(((end - start) / 1000000)) $hwm"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

for _ in $(seq "$runs"); do
    measure "$editor" >>"$work/editor"
    measure "$minimal" >>"$work/minimal"
done

et=$(cut -d' ' -f1 "$work/editor" | median)
mt=$(cut -d' ' -f1 "$work/minimal" | median)
em=$(cut -d' ' -f2 "$work/editor" | median)
mm=$(cut -d' ' -f2 "$work/minimal" | median)
echo "runs: $runs each, alternating"
echo "start-up to mapped (median ms):  editor $et  minimal $mt  ratio $(awk -v a="$et" -v b="$mt" 'BEGIN { printf "%.2f", a / b }')"
echo "peak RSS after start (median KB): editor $em  minimal $mm  ratio $(awk -v a="$em" -v b="$mm" 'BEGIN { printf "%.2f", a / b }')"
