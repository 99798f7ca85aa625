#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Where the start-up goes: the instructions the bare frame, the frame with one line in each of
# the editor's fonts, and the editor execute from exec until their first window is mapped and
# painted, counted by callgrind (the same count on a busy machine), split by library.
#
#   bench/startup-instructions.sh BUILD_DIR     (BUILD_DIR configured with -DQIE_BENCH=ON)
set -euo pipefail

build=${1:?usage: startup-instructions.sh BUILD_DIR}
programs=("$build/bench/minimal_frame" "$build/bench/frame_with_text" "$build/quernel-image-editor")
for f in "${programs[@]}"; do
    [ -x "$f" ] || { echo "missing $f: build with -DQIE_BENCH=ON" >&2; exit 1; }
done
tools="valgrind callgrind_annotate xev"
. "$(dirname "$0")/../tests/virtual-display.sh"

# Counts one start of $1 into $work/$2.out: stopped once its window is mapped and has had time
# to paint under valgrind.
count() {
    start_until_mapped valgrind --tool=callgrind --callgrind-out-file="$work/$2.out" "$1" \
        >/dev/null 2>"$work/$2.log"
    sleep 3
    kill "$app_pid"
    wait "$app_pid" 2>/dev/null || true
    app_pid=
}

# Prints "library instructions" for one count, each function's own instructions summed by the
# object it is in.
by_library() {
    callgrind_annotate --threshold=100 "$work/$1.out" 2>/dev/null | awk '
        /^ *[0-9,]+ \(/ && match($0, /\[[^]]*\]$/) {
            n = $1; gsub(",", "", n)
            k = split(substr($0, RSTART + 1, RLENGTH - 2), path, "/")
            sum[path[k]] += n
        }
        / PROGRAM TOTALS/ { n = $1; gsub(",", "", n); print "(all)", n }
        END { for (lib in sum) print lib, sum[lib] }'
}

names=(frame text editor)
for i in 0 1 2; do
    count "${programs[$i]}" "${names[$i]}"
    by_library "${names[$i]}" | sort >"$work/${names[$i]}.libs"
done
echo "millions of instructions from exec to the first window painted (callgrind)"
join -a1 -a2 -e0 -o 0,1.2,2.2 "$work/frame.libs" "$work/text.libs" \
    | join -a1 -a2 -e0 -o 0,1.2,1.3,2.2 - "$work/editor.libs" \
    | awk '$4 >= 200000 || $3 >= 200000 { printf "%-28s %9.1f %9.1f %9.1f\n", $1, $2 / 1e6, $3 / 1e6, $4 / 1e6 }' \
    | sort -k4 -n -r | awk 'BEGIN { printf "%-28s %9s %9s %9s\n", "library", "frame", "+fonts", "editor" } { print }'
