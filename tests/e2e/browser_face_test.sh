#!/bin/bash
# The list's tap-and-hold on the real exe: held on a row, its menu's
# "File Info" shows that row's file information, and OK (the Return key)
# closes it. The gallery's script (e2e_screenshots) walks the rest of the
# browser face: the tree, the grid, a double tap into the viewer and back.
# Usage: browser_face_test.sh <viewer.exe> <e2e_window_texts.exe>
set -euo pipefail
VIEWER="$1"
TEXTS="$2"
. "$(dirname "$0")/e2e_lib.sh" browser_face

# The file information dialog's lines as "id<TAB>text".
dialog() { wine "$TEXTS" 1050 2>/dev/null | tr -d '\r' || true; }
no_dialog() { [ -z "$(dialog)" ]; }

convert -size 200x200 xc:red BMP3:"$WORK/a.bmp"
convert -size 100x100 xc:lime BMP3:"$WORK/b.bmp"
reg_reset
reg_set START_FOLDER REG_SZ "$(tree_path "$WORK")\\"
start_viewer "Ombrix Viewer"
sleep 1.5

# Hold the stylus on a.bmp (row 1), then "File Info", the menu's second item.
xdotool mousemove 60 137 mousedown 1 sleep 1.2 mouseup 1 sleep 0.8 mousemove 90 164 click 1
wait_until 5 bash -c "[ -n \"\$(wine '$TEXTS' 1050 2>/dev/null)\" ]" || { shot no_dialog 0; fail "no file information"; }
T=$(dialog)
[ "$(awk -F'\t' '$1 == 1050 { print $2 }' <<<"$T")" = "FileName: a" ] || fail "dialog reads: $T"
xdotool key Return
wait_until 4 no_dialog || fail "OK did not close the dialog"

e2e_quit 120 200
e2e_done "browser face: tap-and-hold on a row shows its file information"
