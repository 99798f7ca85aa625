#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Start-up time (process start to the frame mapped) and peak memory after start of the editor,
# against a frame with an empty workspace built in the same tree, and against the same frame
# showing one line in each of the editor's fonts (what the font stack costs before the editor
# adds anything of its own). Runs the three in turn on a private Xvfb display and prints
# medians and ratios.
#
#   bench/startup.sh BUILD_DIR [RUNS]     (BUILD_DIR configured with -DQIE_BENCH=ON)
set -euo pipefail

build=${1:?usage: startup.sh BUILD_DIR [RUNS]}
runs=${2:-15}
editor="$build/quernel-image-editor"
minimal="$build/bench/minimal_frame"
text="$build/bench/frame_with_text"
for f in "$editor" "$minimal" "$text"; do
    [ -x "$f" ] || { echo "missing $f: build with -DQIE_BENCH=ON" >&2; exit 1; }
done
tools="xev"
. "$(dirname "$0")/../tests/virtual-display.sh"
# What the programs printed is shown once the runs are over, before the display goes.
trap 'cat "$work/stderr" >&2 2>/dev/null; cleanup' EXIT

# Prints "milliseconds kilobytes" for one start of $1: until its first window is mapped, and
# the peak memory once it has painted.
measure() {
    local hwm
    start_until_mapped "$1" >/dev/null 2>>"$work/stderr"
    sleep 0.5 # let the first paint and the font loading finish before reading the peak
    hwm=$(awk '/^VmHWM:/ { print $2 }' "/proc/$app_pid/status")
    kill "$app_pid"
    wait "$app_pid" 2>/dev/null || true
    app_pid=
    echo "$mapped_ms $hwm"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

for _ in $(seq "$runs"); do
    measure "$editor" >>"$work/editor"
    measure "$minimal" >>"$work/minimal"
    measure "$text" >>"$work/text"
done

median_of() { cut -d' ' -f"$2" "$work/$1" | median; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
et=$(median_of editor 1) mt=$(median_of minimal 1) tt=$(median_of text 1)
em=$(median_of editor 2) mm=$(median_of minimal 2) tm=$(median_of text 2)
echo "runs: $runs each, in turn"
echo "start-up to mapped (median ms):  editor $et  minimal $mt  ratio $(ratio "$et" "$mt")"
echo "peak RSS after start (median KB): editor $em  minimal $mm  ratio $(ratio "$em" "$mm")"
echo "frame with the editor's fonts:    $tt ms  $tm KB  (editor against it: $(ratio "$et" "$tt") and $(ratio "$em" "$tm"))"
