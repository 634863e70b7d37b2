#!/bin/bash
# The real viewer.exe on the test display: its window, a second start, and
# Ctrl+Q typed on the X display.
# Usage: startup_test.sh <viewer.exe> <e2e_second_start.exe>
set -euo pipefail
VIEWER="$1"
SECOND_START="$2"
. "$(dirname "$0")/../../scripts/lib.sh"

fail() { echo "FAIL: $*"; exit 1; }

WORK=$(mktemp -d)
VIEWER_PID=
finish() {
    [ -n "$VIEWER_PID" ] && kill "$VIEWER_PID" 2>/dev/null || true
    rm -rf "$WORK"
}
trap finish EXIT
cd "$WORK"

wine reg delete 'HKCU\Software\Ombrix\Ombrix Viewer' /f >/dev/null 2>&1 || true

wine "$VIEWER" &
VIEWER_PID=$!
WIN=$(wait_for_window "Ombrix Viewer" 30) || fail "no window titled 'Ombrix Viewer'"

read -r SCREEN_W SCREEN_H < <(xdotool getdisplaygeometry)
# The shell's top bar carries the same title; the main window is the one
# below it. Its X window exists before Wine has placed it: give it a moment.
WANT="Position: 0,26 .*Geometry: ${SCREEN_W}x$((SCREEN_H - 52))"
MAIN=
for _ in $(seq 50); do
    for w in $(xdotool search --name '^Ombrix Viewer$' 2>/dev/null); do
        xdotool getwindowgeometry "$w" | tr '\n' ' ' | grep -q "$WANT" && MAIN=$w
    done
    [ -n "$MAIN" ] && break
    sleep 0.1
done
[ -n "$MAIN" ] || fail "no main window at (0,26) with the screen's width"
WIN=$MAIN

# With no picture the viewer surface is white.
sleep 0.5
import -window root "$WORK/shot.png"
PIXEL=$(convert "$WORK/shot.png" -format '%[fx:int(255*p{120,150}.r)],%[fx:int(255*p{120,150}.g)],%[fx:int(255*p{120,150}.b)]' info:)
[ "$PIXEL" = "255,255,255" ] || fail "viewer surface is $PIXEL, not white"

wine "$SECOND_START" "$(winepath -w "$VIEWER")" | tr -d '\r' || fail "second start"

# With no window manager nobody hands the focus back after the helper's window
# goes away: the user taps the viewer first, as on the device.
xdotool windowfocus "$WIN" mousemove 120 150 sleep 0.2 click 1 sleep 0.6 key ctrl+q
for _ in $(seq 200); do
    kill -0 "$VIEWER_PID" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$VIEWER_PID" 2>/dev/null && fail "Ctrl+Q did not end the viewer"
RC=0
wait "$VIEWER_PID" || RC=$?
VIEWER_PID=
[ "$RC" -eq 0 ] || fail "exit code $RC"

wine reg query 'HKCU\Software\Ombrix\Ombrix Viewer' /v refine | tr -d '\r' | grep -q 'REG_DWORD *0x1$' \
    || fail "refine not stored at exit"
echo "viewer started, gave way to a second start and ended on Ctrl+Q with code 0"
