#!/bin/bash
# The viewer face of the real exe: a menu-bar tap (fit), the options sheet
# from the File menu, and the slideshow it sets up, as the X display shows it
# (a transition drawn by a worker thread shows only while the window's own
# thread serves its messages).
# Usage: viewer_face_test.sh <viewer.exe>
set -euo pipefail
VIEWER="$1"
. "$(dirname "$0")/e2e_lib.sh" viewer_face

tap() { xdotool mousemove "$1" "$2" sleep 0.25 click 1 sleep 0.6; }
sheet_up() { xdotool search --onlyvisible --name '^Ombrix Viewer$' >/dev/null 2>&1; }
all_red() { [[ "$(classes "$1" row 150)" =~ ^R+$ ]]; }
fitted() { [ "$(classes "$1" col 120 | cut -c31,161)" = WR ]; }

convert -size 400x400 xc:red BMP3:"$WORK/a.bmp"
convert -size 400x400 xc:lime BMP3:"$WORK/b.bmp"
reg_reset
reg_set START_MODE REG_DWORD 1
reg_set START_FOLDER REG_SZ "$(winepath -w "$WORK")\\"
reg_set START_FILENAME REG_SZ a.bmp
reg_set SLIDESHOW_INTERVAL_TIME REG_DWORD 5000
reg_set SLIDESHOW_EFFECT_METHOD REG_DWORD 0
start_viewer "a - Ombrix Viewer"
until_shot 10 start all_red || fail "the picture does not cover the window at 1:1"

# "Fit to screen" on the menu bar: the square picture is 240 high, white above.
tap 203 306
until_shot 5 fit fitted || fail "fit: column 120 reads $(classes fit col 120)"

# File > Option; on "Etc" the effect "Cover Left" and 2 s; the shell's "ok".
xdotool mousemove 15 306 click 1 sleep 0.8 key o
wait_until 10 sheet_up || fail "no options sheet"
tap 135 284
tap 150 84
tap 150 154
tap 105 59
xdotool key End BackSpace BackSpace BackSpace 2 sleep 0.3
shot etc 0
tap 227 13
wait_until 5 bash -c '! xdotool search --onlyvisible --name "^Ombrix Viewer\$" >/dev/null 2>&1' ||
    fail "the sheet did not close"
[ "$(reg_value SLIDESHOW_INTERVAL_TIME)" = 0x7d0 ] || fail "interval is $(reg_value SLIDESHOW_INTERVAL_TIME)"
[ "$(reg_value SLIDESHOW_EFFECT_METHOD)" = 0x4 ] || fail "effect is $(reg_value SLIDESHOW_EFFECT_METHOD)"

# The show's button: 2 s later green covers red from the right, in steps the
# screen shows; the show then rests on b.bmp.
tap 226 306
xdotool mousemove 120 150 sleep 1.2
for i in $(seq -w 1 30); do shot "cover$i" 0.03; done
EDGES=()
for i in $(seq -w 1 30); do
    if [[ "$(classes "cover$i" row 150)" =~ ^(R+)G+$ ]]; then EDGES+=("${#BASH_REMATCH[1]}"); fi
done
[ "${#EDGES[@]}" -ge 2 ] || fail "fewer than two shots caught the cover half way (${EDGES[*]:-none})"
[ "${EDGES[-1]}" -lt "${EDGES[0]}" ] || fail "the band did not move left: ${EDGES[*]}"
wait_until 10 has_title "b - Ombrix Viewer" || fail "the show did not reach b.bmp"

e2e_quit 120 150
[ "$(reg_value START_FILENAME)" = b.bmp ] || fail "START_FILENAME is $(reg_value START_FILENAME)"
e2e_done "viewer face: fit tap, options sheet and a moving cover band (${EDGES[*]}); exit code 0"
