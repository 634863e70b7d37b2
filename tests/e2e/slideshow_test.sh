#!/bin/bash
# The slideshow of the real viewer.exe on a folder of four one-colour
# pictures with a 1-second interval and the "Cover Left" effect: a tap on a
# menu stops a running show, the cover's band moves left across the screen,
# and without loop the show stops on the last picture with the start button
# back. Screenshots of a failing run stay in e2e-shots/slideshow.
# Usage: slideshow_test.sh <viewer.exe>
set -euo pipefail
VIEWER="$1"
. "$(dirname "$0")/e2e_lib.sh" slideshow

# Differing pixels of the start/stop button between two shots.
button_diff() {
    compare -metric AE "$SHOTS/$1.png[20x20+216+296]" "$SHOTS/$2.png[20x20+216+296]" null: 2>&1 || true
}
shown() { xdotool search --name "^$1 - Ombrix Viewer\$" >/dev/null 2>&1; }

for p in "a red" "b lime" "c blue" "d yellow"; do
    set -- $p
    convert -size 400x400 "xc:$2" BMP3:"$WORK/$1.bmp"
done

wine reg delete "$KEY" /f >/dev/null 2>&1 || true
add() { wine reg add "$KEY" /v "$1" /t "$2" /d "$3" /f >/dev/null 2>&1; }
add START_MODE REG_DWORD 1
add START_FOLDER REG_SZ "$(winepath -w "$WORK")\\"
add START_FILENAME REG_SZ a.bmp
add SLIDESHOW_INTERVAL_TIME REG_DWORD 1000
add SLIDESHOW_EFFECT_METHOD REG_DWORD 4

cd "$WORK"
wine "$VIEWER" &
VIEWER_PID=$!
wait_for_window "a - Ombrix Viewer" 30 >/dev/null || fail "no window titled 'a - Ombrix Viewer'"
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

# 2. Start again: one interval later "Cover Left" brings in green from the
#    right edge; shots in quick succession see the band move left.
xdotool mousemove 226 306 click 1 mousemove 120 150 sleep 0.8
for i in $(seq -w 1 30); do shot "cover$i" 0.05; done
EDGES=()
for i in $(seq -w 1 30); do
    r=$(classes "cover$i" row 150)
    if [[ "$r" =~ ^(R+)G+$ ]]; then EDGES+=("${#BASH_REMATCH[1]}"); fi
done
[ "${#EDGES[@]}" -ge 2 ] || fail "fewer than two shots caught the cover half way (${EDGES[*]:-none})"
for ((i = 1; i < ${#EDGES[@]}; i++)); do
    [ "${EDGES[i]}" -le "${EDGES[i - 1]}" ] || fail "the band went back: ${EDGES[*]}"
done
[ "${EDGES[-1]}" -lt "${EDGES[0]}" ] || fail "the band did not move: ${EDGES[*]}"

# 3. Without loop the show ends on the last picture and stops there.
wait_for_window "d - Ombrix Viewer" 15 >/dev/null || fail "the show did not reach the last picture"
sleep 3.5
shot ended 0
shown d || fail "the show left the last picture"
[[ "$(classes ended row 150)" =~ ^Y+$ ]] || fail "the last picture is not shown whole"
[ "$(button_diff before ended)" -lt 10 ] || fail "the start button did not come back at the end"

xdotool mousemove 120 150 key ctrl+q
wait_for_exit "$VIEWER_PID" 10 || fail "Ctrl+Q did not end the viewer"
VIEWER_PID=
rm -rf "$SHOTS"
echo "slideshow: menu stop, moving cover band (${EDGES[*]}) and stop at the end all behave"
