#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# End to end: the real program on a virtual display, driven with the mouse and keyboard.
# Types a callsign and a width, presses "Done", clicks three cells (one of them beyond the
# width), saves through the real file dialog and checks the file. Exit code 77 means skipped.
set -euo pipefail

app=${1:?usage: e2e_ui.sh path/to/quernel-image-editor}
tools=""
. "$(dirname "$0")/virtual-display.sh"

"$app" >"$work/app.log" 2>&1 &
app_pid=$!
frame=$(timeout 20 xdotool search --sync --onlyvisible --name '^Quernel Image Editor$' | head -1)
[ -n "$frame" ] || { echo "FAIL: the frame never appeared"; cat "$work/app.log"; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$frame")"
origin_x=$X
origin_y=$Y

# Twips of the editor window to screen pixels: 15 twips a pixel, rounded; the editor sits at
# its stored place, 105 twips above the top of the workspace.
px() { echo $((($1 * 2 + 15) / 30)); }
click_twips() { # x y in the editor's twips
    local x=$((origin_x + $(px "$1"))) y=$((origin_y + $(px $(($2 - 105)))))
    xdotool mousemove --sync "$x" "$y" click 1
    sleep 0.1
}
click_cell() { # n: the centre of cell n, placed as start-up places it
    local col=$(($1 % 64)) row=$(($1 / 64)) left top
    left=$((120 + 235 * col))
    top=$((120 + 235 * row))
    [ "$row" -ge 10 ] && top=$((top + 200))
    local x0=$(px "$left") x1=$(px $((left + 235))) y0=$(px $((top - 105))) y1=$(px $((top + 235 - 105)))
    xdotool mousemove --sync $((origin_x + (x0 + x1) / 2)) $((origin_y + (y0 + y1) / 2)) click 1
    sleep 0.1
}

click_twips $((4200 + 120 + 787)) $((6000 + 720 + 187))  # txtCWID
xdotool type --delay 20 "JA1QIE"
click_twips $((4200 + 600 + 187)) $((6000 + 1560 + 165)) # txtImagByte
xdotool key ctrl+a
xdotool type --delay 20 "9"
click_twips $((4200 + 240 + 607)) $((6000 + 2040 + 247)) # cmdUpDate, "Done"
click_cell 0       # upper band, byte 0 of row 0
click_cell 65      # upper band, byte 0 of row 1
click_cell 640     # lower band, byte 8 of row 0
click_cell 1279    # byte column 15: blocked at width 9, only beeps

out="$work/saved.txt"
click_twips $((4200 + 1920 + 120 + 547)) $((6000 + 600 + 1320 + 187)) # cmdFileOpen, "Save file"
dialog=$(timeout 20 xdotool search --sync --onlyvisible --name '^Save As$' | head -1)
[ -n "$dialog" ] || { echo "FAIL: the save dialog never appeared"; exit 1; }
xdotool windowfocus --sync "$dialog" 2>/dev/null || true
sleep 0.3
xdotool type --delay 10 "$out"
xdotool key Return
for _ in $(seq 100); do
    [ -s "$out" ] && break
    sleep 0.05
done
[ -s "$out" ] || { echo "FAIL: nothing was saved to $out"; cat "$work/app.log"; exit 1; }

row() { printf '%s\r\n' "$1"; }
{
    row "JA1QIE"
    row "800000000000000080"
    row "400000000000000000"
    for _ in $(seq 8); do row "000000000000000000"; done
    row ""
} >"$work/expected.txt"
if ! cmp -s "$work/expected.txt" "$out"; then
    echo "FAIL: the saved file differs from what the clicks should give"
    diff <(od -c "$work/expected.txt") <(od -c "$out") || true
    exit 1
fi
kill -0 "$app_pid" || { echo "FAIL: the program died"; exit 1; }

# "Exit", then Return on "Do you wnat to END ?" (Yes is the default): the program must end
# with status 0, which under AddressSanitizer also means it leaked nothing on the way out.
click_twips $((13080 + 607)) $((8280 + 187)) # cmdEnd, "Exit"
box=$(timeout 20 xdotool search --sync --onlyvisible --name '^Image Editor$' | head -1)
[ -n "$box" ] || { echo "FAIL: Exit asked nothing"; cat "$work/app.log"; exit 1; }
xdotool windowfocus --sync "$box" 2>/dev/null || true
xdotool key Return
for _ in $(seq 200); do
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.05
done
kill -0 "$app_pid" 2>/dev/null && { echo "FAIL: Yes did not end the program"; exit 1; }
status=0
wait "$app_pid" || status=$?
app_pid=
[ "$status" -eq 0 ] || { echo "FAIL: the program ended with status $status"; cat "$work/app.log"; exit 1; }
echo "PASS: callsign, width, three clicks and Done saved as expected; Exit ended the program"
