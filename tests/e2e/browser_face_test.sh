#!/bin/bash
# The browser face of the real viewer.exe, used as a user would: start in the
# browser, tap down the tree to a folder of pictures, sort by size,
# double-tap a picture, step with "Next" and "Previous" to both ends, come
# back with "Open", and delete a file through the tap-and-hold menu.
# Screenshots of a failing run stay in e2e-shots/browser_face below the test
# folder.
# Usage: browser_face_test.sh <viewer.exe>
set -euo pipefail
VIEWER="$1"
. "$(dirname "$0")/e2e_lib.sh" browser_face

# r,g,b of one screen pixel of a shot.
rgb() {
    convert "$SHOTS/$1.png" -crop "1x1+$2+$3" +repage -depth 8 txt:- | tr -d '\r' |
        awk -F'[(),]+' '/^0,0/ { print $3, $4, $5 }'
}
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
# Whether a top-level window carries exactly this title.
has_title() { xdotool search --name "^$1\$" >/dev/null 2>&1; }
wait_title() {
    local i
    for i in $(seq 50); do has_title "$1" && return 0; sleep 0.1; done
    return 1
}

# Three pictures of clearly different sizes in a folder of their own below
# the start folder.
mkdir -p "$WORK/pics"
convert -size 200x200 xc:red BMP3:"$WORK/pics/big.bmp"
convert -size 100x100 xc:lime BMP3:"$WORK/pics/mid.bmp"
convert -size 40x40 xc:blue BMP3:"$WORK/pics/small.bmp"

# The tree's root "\" is the drive of the current folder, so the start
# folder is given without its drive.
wine reg delete "$KEY" /f >/dev/null 2>&1 || true
wine reg add "$KEY" /v START_FOLDER /t REG_SZ /d "$(echo "$WORK" | tr / '\\')\\" /f >/dev/null 2>&1

cd "$WORK"
wine "$VIEWER" &
VIEWER_PID=$!
wait_for_window "Ombrix Viewer" 30 >/dev/null || fail "no window titled 'Ombrix Viewer'"
shot start 2.5

# 1. Browser mode: the start folder is open in the tree, its only
#    sub-folder "pics" below it; no pictures yet.
Y=$(convert "$SHOTS/start.png" -crop 1x112+79+26 +repage -depth 8 txt:- | tr -d '\r' |
    awk -F'[(),:]+' '/^0,/ && $4 > 200 && $5 > 200 && $6 < 60 && y == "" { y = $2 } END { print y }')
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

# 5. Next to the end and Previous back to the start; the ends keep the
#    picture.
xdotool mousemove 137 306 click 1
wait_title "mid - Ombrix Viewer" || fail "Next did not open mid.bmp"
sleep 0.6
xdotool click 1
wait_title "big - Ombrix Viewer" || fail "Next did not open big.bmp"
sleep 0.6
xdotool click 1
shot last 1.2
has_title "big - Ombrix Viewer" || fail "Next past the end left big.bmp"
is_colour last 120 160 255 0 0 || fail "last: the viewer no longer shows the red picture"
xdotool mousemove 115 306 click 1
wait_title "mid - Ombrix Viewer" || fail "Previous did not open mid.bmp"
sleep 0.6
xdotool click 1
wait_title "small - Ombrix Viewer" || fail "Previous did not open small.bmp"
sleep 0.6
xdotool click 1
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

xdotool mousemove 120 200 key ctrl+q
wait_for_exit "$VIEWER_PID" 10 || fail "Ctrl+Q did not end the viewer"
VIEWER_PID=

rm -rf "$SHOTS"
echo "browser face: tree, size sort, open, next/previous, Open and delete all behave"
