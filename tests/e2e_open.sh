#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# End to end: the real program started with a data file on a virtual display. It loads the
# file; Ctrl+S opens the save dialog with the file's name proposed, and saving writes the
# file's lines again. A file that cannot be loaded shows the error box over the editor as it
# starts, which then saves the start's data text. Exit code 77 means skipped.
set -euo pipefail

app=${1:?usage: e2e_open.sh path/to/quernel-image-editor}
tools="xclip"
. "$(dirname "$0")/virtual-display.sh"
# Nothing remembered from elsewhere: the dialogs start where the platform starts them.
export XDG_CONFIG_HOME="$work/config"

row() { printf '%s\r\n' "$1"; }

# Waits for a visible window titled exactly $1 and gives it the keyboard.
focus_window() {
    local id
    id=$(timeout 20 xdotool search --sync --onlyvisible --name "^$1\$" | head -1)
    [ -n "$id" ] || return 1
    xdotool windowactivate --sync "$id" 2>/dev/null || xdotool windowfocus --sync "$id" 2>/dev/null || true
    sleep 0.3
}

# Ctrl+S in the frame; checks the name the dialog proposes, replaces it with $1 and saves.
save_as() {
    focus_window 'Quernel Image Editor' || { echo "FAIL: the frame never appeared"; cat "$work/app.log"; exit 1; }
    xdotool key ctrl+s
    focus_window 'Save As' || { echo "FAIL: Ctrl+S opened no save dialog"; exit 1; }
    # The proposed name is selected in the name box: copy it out through the clipboard.
    xdotool key ctrl+a ctrl+c
    sleep 0.2
    proposed=$(timeout 5 xclip -o -selection clipboard 2>/dev/null || true)
    xdotool type --delay 10 "$1"
    xdotool key Return
    for _ in $(seq 100); do
        [ -s "$1" ] && break
        sleep 0.05
    done
    [ -s "$1" ] || { echo "FAIL: nothing was saved to $1"; cat "$work/app.log"; exit 1; }
}

stop_app() {
    kill "$app_pid" 2>/dev/null || true
    wait "$app_pid" 2>/dev/null || true
    app_pid=
}

# A data file given on the command line: loaded as Load file loads it.
mkdir "$work/in"
{
    row "JA1QIE"
    for r in $(seq 10); do row "$(printf '%02X' "$r")00"; done
} >"$work/in/picture.txt"
"$app" "$work/in/picture.txt" >"$work/app.log" 2>&1 &
app_pid=$!
save_as "$work/saved.txt"
{ cat "$work/in/picture.txt"; row ""; } >"$work/expected.txt"
if ! cmp -s "$work/expected.txt" "$work/saved.txt"; then
    echo "FAIL: the file given on the command line was not what was saved"
    diff <(od -c "$work/expected.txt") <(od -c "$work/saved.txt") || true
    exit 1
fi
if [ "$proposed" != "picture.txt" ]; then
    echo "FAIL: Save proposed \"$proposed\", not the loaded file's name"
    exit 1
fi
stop_app

# A file that does not load: the error box, then the editor as it starts.
"$app" -- "$work/no such file.txt" >"$work/app.log" 2>&1 &
app_pid=$!
focus_window 'Error' || { echo "FAIL: a file that cannot be loaded showed no error box"; cat "$work/app.log"; exit 1; }
xdotool key Return
save_as "$work/start.txt"
{
    row ""
    for _ in $(seq 10); do row "00000000000000000000000000000000"; done
    row ""
} >"$work/expected.txt"
if ! cmp -s "$work/expected.txt" "$work/start.txt"; then
    echo "FAIL: after a failed load the editor was not as it starts"
    diff <(od -c "$work/expected.txt") <(od -c "$work/start.txt") || true
    exit 1
fi
if [ "$proposed" != "image.txt" ]; then
    echo "FAIL: Save proposed \"$proposed\" with no file loaded, not image.txt"
    exit 1
fi
stop_app
echo "PASS: a file on the command line loads and saves again; a failed one leaves the start"
