#!/bin/bash
# The real viewer.exe gives way to a second start (only a second process can
# show it) and ends on Ctrl+Q typed on the X display, storing its settings.
# Usage: startup_test.sh <viewer.exe> <e2e_second_start.exe>
set -euo pipefail
VIEWER="$1"
SECOND_START="$2"
. "$(dirname "$0")/e2e_lib.sh" startup

reg_reset
start_viewer "Ombrix Viewer"
WIN=$(xdotool search --name '^Ombrix Viewer$' | head -n1)

wine "$SECOND_START" "$(winepath -w "$VIEWER")" | tr -d '\r' || fail "second start"

# With no window manager nobody hands the focus back after the helper's window
# goes away: the user taps the viewer first, as on the device.
xdotool windowfocus "$WIN" mousemove 120 150 sleep 0.2 click 1 sleep 0.6
e2e_quit 120 150
[ "$(reg_value refine)" = 0x1 ] || fail "refine not stored at exit"
e2e_done "viewer started, gave way to a second start and ended on Ctrl+Q with code 0"
