#!/bin/bash
# The viewer face used as a user would: fit, rotate, F1 landscape, zoom,
# drag, full screen, a full-screen button and Ctrl+Q.
# Usage: viewer_face_test.sh <viewer.exe>
set -euo pipefail
VIEWER="$1"
. "$(dirname "$0")/e2e_lib.sh" viewer_face

# Position of the first change from class $4 to class $5 along a row or
# column; up to three blended pixels may lie between the two.
edge() {
    classes "$1" "$2" "$3" | awk -v a="$4" -v b="$5" '{
        last = 0
        for (i = 1; i <= length($0); i++) {
            c = substr($0, i, 1)
            if (c == a) last = i
            else if (c == b && last && i - last <= 4) { print i; exit }
        }
        print -1 }'
}
expect_class() { # shot x y class
    local c
    c=$(classes "$1" row "$3" | cut -c$(($2 + 1)))
    [ "$c" = "$4" ] || fail "$1: pixel ($2,$3) is '$c', not '$4'"
}
near() { [ "$1" -ge $(($2 - 2)) ] && [ "$1" -le $(($2 + 2)) ]; }

# A 400 x 400 picture of four colour squares: red, green / blue, yellow.
convert -size 200x200 xc:red xc:lime +append \( -size 200x200 xc:blue xc:yellow +append \) -append \
    BMP3:"$WORK/quad.bmp"

reg_reset
reg_start_on quad.bmp
start_viewer "quad - Ombrix Viewer"
shot start 2

# 1. The title shows in the shell's top bar: white text on its blue.
classes start row 12 | grep -q W || fail "no title text in the top bar"
expect_class start 200 5 .
expect_class start 100 100 R   # zoom 1.0, left-top of the picture

# 2. Fit to screen from the menu bar: 240 x 240 of picture, centred.
xdotool mousemove 203 306 click 1
shot fit
for spot in "60 100 R" "180 100 G" "60 220 B" "180 220 Y" "120 30 W"; do expect_class fit $spot; done

# 3. Tool > Rotate > Right 90' turns it a quarter clockwise.
xdotool mousemove 55 306 click 1 sleep 0.8 key Down Down Down Right sleep 0.4 key Return
shot right90
for spot in "60 100 B" "180 100 R" "60 220 Y" "180 220 G"; do expect_class right90 $spot; done

# 4. F1 is application button 1: LandScape turns it back a quarter.
xdotool mousemove 120 150 key F1
shot landscape
for spot in "60 100 R" "180 100 G" "60 220 B" "180 220 Y"; do expect_class landscape $spot; done

# 5. Fit off (1:1), then "Zoom in" on the menu bar: 1.5, centred.
xdotool mousemove 203 306 click 1 sleep 1 mousemove 159 306 click 1
shot zoomed 1.5
X_BEFORE=$(edge zoomed row 100 R G)
near "$X_BEFORE" 120 || fail "zoomed: red/green edge at $X_BEFORE, not 120"

# 6. A drag 40 pixels to the left moves the picture with the stylus.
xdotool mousemove 150 150 mousedown 1 sleep 0.2
for x in 140 130 120 110; do xdotool mousemove "$x" 150 sleep 0.1; done
xdotool mouseup 1
shot dragged 1.5
X_AFTER=$(edge dragged row 100 R G)
near "$X_AFTER" $((X_BEFORE - 40)) || fail "dragged: edge at $X_AFTER, expected $((X_BEFORE - 40))"

# 7. Tool > Full Screen: the window takes the whole screen, no bars.
xdotool mousemove 55 306 click 1 sleep 0.8 key Down Down Return
shot fullscreen 1.5
WIN=$(xdotool search --name "^quad - Ombrix Viewer\$" | while read -r w; do
    xdotool getwindowgeometry "$w" | grep -q 'Geometry: 240x320' && echo "$w"; done | head -n1)
[ -n "$WIN" ] || fail "no full-screen window of 240x320"
expect_class fullscreen 60 310 B  # the picture where the menu bar was
Y_BEFORE=$(edge fullscreen col 40 R B)

# 8. The zoom-out full-screen button (top right) shrinks it towards the centre.
xdotool mousemove 234 20 click 1
shot zoomed_out 1.5
Y_AFTER=$(edge zoomed_out col 40 R B)
[ "$Y_AFTER" -gt "$Y_BEFORE" ] && [ "$Y_AFTER" -le $((Y_BEFORE + 8)) ] \
    || fail "zoom out: red/blue edge went from $Y_BEFORE to $Y_AFTER"

# 9. Ctrl+Q: exit code 0, settings stored.
e2e_quit 120 150
[ "$(reg_value refine)" = 0x1 ] && [ "$(reg_value Key1)" = 0x1 ] || fail "refine or Key1 not stored"
[ "$(reg_value START_FOLDER)" = "$(winepath -w "$WORK")\\" ] || fail "START_FOLDER not stored"

e2e_done "viewer face: title, fit, rotation, landscape, zoom, drag, full screen and exit all behave"
