#!/bin/bash
# The browser face used as a user would: the tree, a size sort, a double tap,
# "Next"/"Previous" to both ends, "Open", and "Delete" from tap-and-hold.
# Usage: browser_face_test.sh <viewer.exe>
set -euo pipefail
VIEWER="$1"
. "$(dirname "$0")/e2e_lib.sh" browser_face

# The selection's highlight: blue well above red.
is_highlight() { rgb "$@" | awk '{ exit !($3 > 200 && $1 < 100) }'; }
is_white() { rgb "$@" | awk '{ exit !($1 > 240 && $2 > 240 && $3 > 240) }'; }
is_colour() { # shot x y r g b: each channel within 40
    rgb "$1" "$2" "$3" | awk -v r="$4" -v g="$5" -v b="$6" '{
        d1 = $1 - r; d2 = $2 - g; d3 = $3 - b
        exit !(d1 * d1 < 1600 && d2 * d2 < 1600 && d3 * d3 < 1600) }'
}
# Whether a row holds an entry: its type icon's dark outline at the left.
has_row() {
    convert "$SHOTS/$1.png" -crop "24x1+0+$2" +repage -depth 8 txt:- | tr -d '\r' |
        awk -F'[(),]+' '/^[0-9]/ && $3 < 80 && $4 < 80 && $5 < 80 { n++ } END { exit !(n > 0) }'
}
# step <button x> <title>...: taps the button once a title, past the last.
step() {
    local x="$1" t
    shift
    xdotool mousemove "$x" 306
    for t in "$@"; do
        xdotool click 1
        wait_title "$t - Ombrix Viewer" || fail "the button at $x did not open $t"
        sleep 0.6
    done
    xdotool click 1
}

# Three pictures of clearly different sizes in a folder below the start one.
mkdir -p "$WORK/pics"
convert -size 200x200 xc:red BMP3:"$WORK/pics/big.bmp"
convert -size 100x100 xc:lime BMP3:"$WORK/pics/mid.bmp"
convert -size 40x40 xc:blue BMP3:"$WORK/pics/small.bmp"

reg_reset
reg_set START_FOLDER REG_SZ "$(tree_path "$WORK")\\"
start_viewer "Ombrix Viewer"
shot start 2.5

# 1. Browser mode: the start folder is open in the tree, "pics" below it.
Y=$(folder_icon_y start)
[ -n "$Y" ] || fail "start: no folder icon of 'pics' in the tree"

# 2. Tap "pics": the list shows the three pictures, A to Z.
xdotool mousemove 100 $((26 + Y + 3)) click 1
shot pics 1.5
for y in 137 154 171; do has_row pics "$y" || fail "pics: no row at y $y"; done
has_row pics 188 && fail "pics: more than three rows"

# 3. "Size" header once: smallest first (the direction flips on each click).
xdotool mousemove 205 122 click 1
shot sorted

# 4. Double-tap the first row: small.bmp opens in the viewer.
xdotool mousemove 60 137 click --repeat 2 --delay 80 1
wait_title "small - Ombrix Viewer" || { shot no_small 0; fail "the first row after the size sort is not small.bmp"; }
shot small 1.5
is_colour small 120 160 0 0 255 || fail "small: the viewer does not show the blue picture"

# 5. "Next" (x 137) to the end and "Previous" (x 115) back; the ends stay.
step 137 mid big
shot last 1.2
has_title "big - Ombrix Viewer" || fail "Next past the end left big.bmp"
is_colour last 120 160 255 0 0 || fail "last: the viewer no longer shows the red picture"
step 115 mid small
shot first 1.2
has_title "small - Ombrix Viewer" || fail "Previous past the start left small.bmp"

# 6. "Open": back in the browser with small.bmp (row 1) selected.
xdotool mousemove 93 306 click 1
shot open 1.5
is_highlight open 150 137 || fail "open: the current picture's row is not selected"
is_white open 150 154 || fail "open: another row is selected too"

# 7. Tap-and-hold on big.bmp (row 3), "Delete", OK.
xdotool mousemove 60 171 mousedown 1
sleep 1.2
xdotool mouseup 1
shot menu 0.8
is_highlight menu 150 171 || fail "menu: the held row is not selected"
xdotool mousemove 80 180 click 1
shot question 1.2
wait_for_window "Delete" 5 >/dev/null || fail "no 'Delete' question"
xdotool key Return
shot deleted 1.2
[ -e "$WORK/pics/big.bmp" ] && fail "big.bmp is still on disk"
[ -e "$WORK/pics/mid.bmp" ] && [ -e "$WORK/pics/small.bmp" ] || fail "another file went too"
has_row deleted 137 || fail "deleted: small.bmp's row is gone"
has_row deleted 154 || fail "deleted: mid.bmp's row is gone"
has_row deleted 171 && fail "deleted: big.bmp's row is still listed"

e2e_quit 120 200
e2e_done "browser face: tree, size sort, open, next/previous, Open and delete all behave"
