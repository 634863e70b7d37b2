#!/bin/bash
# A slideshow of four pictures, 1 s apart with "Cover Left": a menu stops it,
# the cover moves left, and without loop it stops on the last picture.
# Usage: slideshow_test.sh <viewer.exe>
set -euo pipefail
VIEWER="$1"
. "$(dirname "$0")/e2e_lib.sh" slideshow

# Differing pixels of the start/stop button between two shots.
button_diff() {
    compare -metric AE "$SHOTS/$1.png[20x20+216+296]" "$SHOTS/$2.png[20x20+216+296]" null: 2>&1 || true
}
shown() { has_title "$1 - Ombrix Viewer"; }

for p in "a red" "b lime" "c blue" "d yellow"; do
    set -- $p
    convert -size 400x400 "xc:$2" BMP3:"$WORK/$1.bmp"
done

reg_reset
reg_start_on a.bmp
reg_set SLIDESHOW_INTERVAL_TIME REG_DWORD 1000
reg_set SLIDESHOW_EFFECT_METHOD REG_DWORD 4
start_viewer "a - Ombrix Viewer"
shot before 2
[[ "$(classes before row 150)" =~ ^R+$ ]] || fail "the first picture is not shown whole"

# 1. Start, then open the File menu before the first change: the show stops.
xdotool mousemove 226 306 click 1 sleep 0.3
shot running 0
[ "$(button_diff before running)" -gt 20 ] || fail "the menu bar shows no stop button while the show runs"
xdotool mousemove 15 306 click 1 sleep 0.5 key Escape mousemove 120 150
sleep 2.5
shown a || fail "the show went on after the menu opened"
shot menu_stopped 0
[ "$(button_diff before menu_stopped)" -lt 10 ] || fail "the start button did not come back after the menu stop"

# 2. Start again: one interval later green covers red from the right.
xdotool mousemove 226 306 click 1 mousemove 120 150 sleep 0.8
cover_edges 30 0.05

# 3. Without loop the show ends on the last picture and stops there.
wait_for_window "d - Ombrix Viewer" 15 >/dev/null || fail "the show did not reach the last picture"
sleep 3.5
shot ended 0
shown d || fail "the show left the last picture"
[[ "$(classes ended row 150)" =~ ^Y+$ ]] || fail "the last picture is not shown whole"
[ "$(button_diff before ended)" -lt 10 ] || fail "the start button did not come back at the end"

e2e_quit 120 150
e2e_done "slideshow: menu stop, moving cover band (${EDGES[*]}) and stop at the end all behave"
