#!/bin/bash
# The browser face of the real exe: a tap in the tree, the file information
# from tap-and-hold, a double tap into the viewer and "Open" back, and the
# thumbnail grid painted by its worker as the X display shows it.
# Usage: browser_face_test.sh <viewer.exe> <e2e_window_texts.exe>
set -euo pipefail
VIEWER="$1"
TEXTS="$2"
. "$(dirname "$0")/e2e_lib.sh" browser_face

# "r g b" of one pixel of a shot.
rgb() {
    convert "$SHOTS/$1.png" -crop "1x1+$2+$3" +repage -depth 8 txt:- | tr -d '\r' |
        awk -F'[(),]+' '/^0,0/ { print $3, $4, $5 }'
}
# y in the tree of the first yellow folder icon below the start folder.
folder_icon_y() {
    convert "$SHOTS/$1.png" -crop 1x112+79+26 +repage -depth 8 txt:- | tr -d '\r' |
        awk -F'[(),:]+' '/^0,/ && $4 > 200 && $5 > 200 && $6 < 60 && y == "" { y = $2 } END { print y }'
}
# The file information dialog's lines as "id<TAB>l t r b<TAB>text".
dialog() { wine "$TEXTS" 1050 2>/dev/null | tr -d '\r' || true; }
no_dialog() { [ -z "$(dialog)" ]; }
has_folder() { [ -n "$(folder_icon_y "$1")" ]; }
selected() { rgb "$1" 150 137 | awk '{ exit !($3 > 200 && $1 < 100) }'; }
red_cell() { rgb "$1" 40 150 | awk '{ exit !($1 > 200 && $2 < 60 && $3 < 60) }'; }

mkdir -p "$WORK/pics" "$WORK/thumbs"
convert -size 200x200 xc:red BMP3:"$WORK/pics/a.bmp"
convert -size 100x100 xc:lime BMP3:"$WORK/pics/b.bmp"
reg_reset
reg_set START_FOLDER REG_SZ "$(tree_path "$WORK")\\"
reg_set THUMBNAIL_FOLDER REG_SZ "$(tree_path "$WORK")\\thumbs"
start_viewer "Ombrix Viewer"

# A tap on "pics" in the tree lists its two pictures.
until_shot 10 start has_folder || fail "no folder icon of 'pics' in the tree"
Y=$(folder_icon_y start)
xdotool mousemove 100 $((26 + Y + 3)) click 1 sleep 1.5

# Hold the stylus on a.bmp (row 1), then "File Info", the menu's second item.
xdotool mousemove 60 137 mousedown 1 sleep 1.2 mouseup 1 sleep 0.8 mousemove 90 164 click 1
wait_until 5 bash -c "[ -n \"\$(wine '$TEXTS' 1050 2>/dev/null)\" ]" || { shot no_dialog 0; fail "no file information"; }
T=$(dialog)
[ "$(awk -F'\t' '$1 == 1050 { print $3 }' <<<"$T")" = "FileName: a" ] || fail "dialog reads: $T"
# shellcheck disable=SC2046
xdotool mousemove $(awk -F'\t' '$1 == 1 { split($2, r, " "); print int((r[1] + r[3]) / 2), int((r[2] + r[4]) / 2) }' <<<"$T") click 1
wait_until 4 no_dialog || fail "OK did not close the dialog"

# A double tap opens a.bmp in the viewer; "Open" on its menu bar goes back
# to the list with that picture selected.
xdotool mousemove 60 137 click --repeat 2 --delay 80 1
wait_until 5 has_title "a - Ombrix Viewer" || fail "the double tap did not open a.bmp"
sleep 0.8
xdotool mousemove 93 306 click 1
until_shot 5 open selected || fail "Open did not bring the list back with a.bmp selected"

# The view button shows the grid: the worker's thumbnail of a.bmp appears.
xdotool mousemove 55 306 click 1
until_shot 15 grid red_cell || fail "the grid's first cell shows $(rgb grid 40 150), not a.bmp"

e2e_quit 120 200
e2e_done "browser face: tree tap, file information, double tap, Open and the thumbnail grid behave"
