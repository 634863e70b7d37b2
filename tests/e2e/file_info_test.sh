#!/bin/bash
# The file information dialog, opened from the tap-and-hold menu and from
# the browser's "Information" button, read and closed with "OK".
# Usage: file_info_test.sh <viewer.exe> <e2e_window_texts.exe>
set -euo pipefail
VIEWER="$1"
TEXTS="$2"
. "$(dirname "$0")/e2e_lib.sh" file_info

# The dialog's lines as "id<TAB>rect<TAB>text"; empty when no dialog shows.
dialog() { wine "$TEXTS" 1050 2>/dev/null | tr -d '\r' || true; }
line() { awk -F'\t' -v id="$2" '$1 == id { print $3 }' <<<"$1"; }
centre() {
    awk -F'\t' -v id="$2" '$1 == id { split($2, r, " "); print int((r[1] + r[3]) / 2), int((r[2] + r[4]) / 2) }' <<<"$1"
}
expect_line() { # texts id wanted
    local got
    got=$(line "$1" "$2")
    [ "$got" = "$3" ] || fail "control $2 reads '$got', not '$3'"
}
# Decimal digits with a "," before every group of three from the right.
thousands() { echo "$1" | rev | sed -E 's/([0-9]{3})/\1,/g; s/,$//' | rev; }
tap_ok() { # texts
    local xy
    xy=$(centre "$1" 1)
    [ -n "$xy" ] || fail "no OK button"
    # shellcheck disable=SC2086
    xdotool mousemove $xy click 1
    wait_until 4 no_dialog || fail "OK did not close the dialog"
}
no_dialog() { [ -z "$(dialog)" ]; }

mkdir -p "$WORK/pics"
convert -size 64x48 gradient:red-blue -quality 90 "$WORK/pics/photo.jpg"
convert -size 33x17 xc:lime PNG24:"$WORK/pics/zeta.png"
touch -d '2005-03-04 15:04:09' "$WORK/pics/photo.jpg"
SIZE=$(stat -c %s "$WORK/pics/photo.jpg")

reg_reset
reg_set START_FOLDER REG_SZ "$(tree_path "$WORK/pics")\\"
start_viewer "Ombrix Viewer"
shot start 2.5
[ -z "$(dialog)" ] || fail "a dialog shows before any command"

# 1. Hold the stylus on photo.jpg (row 1), then "File Info" (second item).
xdotool mousemove 60 137 mousedown 1
sleep 1.2
xdotool mouseup 1
shot menu 0.8
xdotool mousemove 90 164 click 1
sleep 1
T=$(dialog)
[ -n "$T" ] || { shot no_dialog 0; fail "no file information dialog after 'File Info'"; }
shot dialog 0.5
# Every line's forms are unit-tested on the same dialog; here a few as shown.
expect_line "$T" 1050 "FileName: photo"
expect_line "$T" 1052 "Size: $(thousands "$SIZE") bytes"
expect_line "$T" 1061 "Time: PM 3:4:9"
expect_line "$T" 1 "OK"

# The dialog's title band: dark blue under its top edge.
read -r L TOP _ _ < <(awk -F'\t' '$1 == "rect" { print $2 }' <<<"$T")
rgb dialog $((L + 40)) $((TOP + 8)) | awk '{ exit !($3 > 100 && $1 < 40 && $2 < 60) }' ||
    fail "dialog: no title band at its top ($(rgb dialog $((L + 40)) $((TOP + 8))))"

tap_ok "$T"
shot closed 0.8

# 2. Tap zeta.png (row 2), then the menu bar's "Information" button.
xdotool mousemove 60 154 click 1
sleep 0.6
xdotool mousemove 71 306 click 1
sleep 1
T=$(dialog)
[ -n "$T" ] || { shot no_dialog2 0; fail "no dialog after the menu bar's Information button"; }
expect_line "$T" 1050 "FileName: zeta"
tap_ok "$T"

e2e_quit 120 200
e2e_done "file info: context menu and menu bar open the dialog with the right lines; OK closes it"
