# SPDX-License-Identifier: MIT
# Sourced by the end-to-end tests and the start-up benchmarks (bench/startup*.sh): skips (77)
# unless every tool named in $tools is installed, makes $work, starts a private Xvfb and points
# DISPLAY at it once it accepts clients. The test sets app_pid to the program it starts; both
# are stopped and $work removed on exit.

for tool in Xvfb xdotool $tools; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed (scripts/deps.sh installs it)"
        exit 77
    fi
done

work=$(mktemp -d)
xvfb_pid=
app_pid=
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display itself and writes its number to fd 3; -noreset keeps it from
# resetting, and refusing clients meanwhile, each time its last client goes.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.05
done
[ -s "$work/display" ] || { echo "FAIL: Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=":$(cat "$work/display")"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM XDG_CURRENT_DESKTOP QT_QPA_PLATFORMTHEME
# The number can be written a moment before the server accepts clients.
for _ in $(seq 100); do
    xdotool getmouselocation >/dev/null 2>&1 && break
    sleep 0.05
done

# Starts "$@" in the background as app_pid and returns once the display has mapped its first
# window, as xev (in $tools), listening on the root window from before the start, reports it:
# nothing polls while the program starts. mapped_ms is the time from the start to the map.
start_until_mapped() {
    local line start
    coproc XEV { exec stdbuf -oL xev -root -event substructure; }
    local xev_pid=$XEV_PID
    sleep 0.3
    start=$(date +%s%N)
    "$@" &
    app_pid=$!
    while read -r line <&"${XEV[0]}"; do
        [[ $line == MapNotify* ]] && break
    done
    mapped_ms=$((($(date +%s%N) - start) / 1000000))
    kill "$xev_pid" 2>/dev/null || true
    wait "$xev_pid" 2>/dev/null || true
}
