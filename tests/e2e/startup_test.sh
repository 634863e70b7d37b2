#!/bin/bash
# The real viewer.exe on the test display: its window, a second start, and
# Ctrl+Q typed on the X display.
# Usage: startup_test.sh <viewer.exe> <e2e_second_start.exe>
set -euo pipefail
VIEWER="$1"
SECOND_START="$2"
. "$(dirname "$0")/e2e_lib.sh" startup

reg_reset
start_viewer "Ombrix Viewer"

# The shell's top bar carries the same title; the main window is the one
# below it, once Wine has placed it.
read -r SCREEN_W SCREEN_H < <(xdotool getdisplaygeometry)
WANT="Position: 0,26 .*Geometry: ${SCREEN_W}x$((SCREEN_H - 52))"
main_window() {
    local w
    for w in $(xdotool search --name '^Ombrix Viewer$' 2>/dev/null); do
        xdotool getwindowgeometry "$w" | tr '\n' ' ' | grep -q "$WANT" && { echo "$w"; return 0; }
    done
    return 1
}
wait_until 5 main_window >/dev/null || fail "no main window at (0,26) with the screen's width"
WIN=$(main_window)

# With no picture the viewer surface is white.
shot empty 0.5
[ "$(rgb empty 120 150)" = "255 255 255" ] || fail "viewer surface is $(rgb empty 120 150), not white"

wine "$SECOND_START" "$(winepath -w "$VIEWER")" | tr -d '\r' || fail "second start"

# With no window manager nobody hands the focus back after the helper's window
# goes away: the user taps the viewer first, as on the device.
xdotool windowfocus "$WIN" mousemove 120 150 sleep 0.2 click 1 sleep 0.6
e2e_quit 120 150
[ "$(reg_value refine)" = 0x1 ] || fail "refine not stored at exit"
e2e_done "viewer started, gave way to a second start and ended on Ctrl+Q with code 0"
