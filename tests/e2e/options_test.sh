#!/bin/bash
# The options sheet used as a user would: effect, time and position chosen,
# closed with "ok"; the registry and a slideshow then follow them.
# Usage: options_test.sh <viewer.exe>
set -euo pipefail
VIEWER="$1"
. "$(dirname "$0")/e2e_lib.sh" options

# Where the controls are: tabs along the sheet's bottom.
TAB_Y=284; TAB_START_X=28; TAB_ETC_X=135
OK_X=227; OK_Y=13
TIME_X=105; TIME_Y=59
EFFECT_X=150; EFFECT_Y=84; COVER_LEFT_Y=154
PICKER_X=57; PICKER_Y=121 # top-left corner of the 120 x 120 picker

tap() { xdotool mousemove "$1" "$2" sleep 0.25 click 1 sleep 0.6; }
# Mean brightness (0 to 1) of a w x h box at x, y of a shot.
brightness() { convert "$SHOTS/$1.png" -crop "$4x$5+$2+$3" +repage -colorspace Gray -format '%[fx:mean]' info:; }
sheet_up() { xdotool search --onlyvisible --name '^Ombrix Viewer$' >/dev/null 2>&1; }

convert -size 400x400 xc:red BMP3:"$WORK/a.bmp"
convert -size 400x400 xc:lime BMP3:"$WORK/b.bmp"
reg_reset
reg_start_on a.bmp
reg_set SLIDESHOW_INTERVAL_TIME REG_DWORD 5000
reg_set SLIDESHOW_EFFECT_METHOD REG_DWORD 0
start_viewer "a - Ombrix Viewer"
sleep 1.5

# File > Option (its mnemonic is O): the sheet opens on "Start".
xdotool mousemove 15 306 click 1 sleep 0.8 key o
wait_for_window "Ombrix Viewer" 10 >/dev/null || fail "no options sheet"
shot start
[[ "$(classes start row 150)" =~ ^R+$ ]] && fail "the sheet does not cover the picture"
START_DARK=$(brightness start $((PICKER_X + 45)) $((PICKER_Y + 45)) 30 30)

# "Etc": effect "Cover Left" (fifth entry of the dropped list), time 2.
tap $TAB_ETC_X $TAB_Y
shot etc 0.5
tap $EFFECT_X $EFFECT_Y
shot effect_list 0
tap $EFFECT_X $COVER_LEFT_Y
tap $TIME_X $TIME_Y
xdotool key End BackSpace BackSpace BackSpace 2 sleep 0.3
shot etc_changed 0.3
sheet_up || fail "the sheet closed on the Etc page"

# "Key": only looked at.
tap 82 $TAB_Y
shot key 0.5

# "Start": a tap in the picker's centre chooses position 5 and lights it.
tap $TAB_START_X $TAB_Y
tap $((PICKER_X + 60)) $((PICKER_Y + 60))
shot picked 0.5
START_BRIGHT=$(brightness picked $((PICKER_X + 45)) $((PICKER_Y + 45)) 30 30)
awk -v a="$START_DARK" -v b="$START_BRIGHT" 'BEGIN { exit !(b > a * 1.25) }' ||
    fail "the centre cell did not light up ($START_DARK -> $START_BRIGHT)"

# The shell's "ok" closes the sheet; every page that was shown writes.
tap $OK_X $OK_Y
for _ in $(seq 50); do sheet_up || break; sleep 0.1; done
sheet_up && fail "the sheet did not close"
[ "$(reg_value SLIDESHOW_INTERVAL_TIME)" = 0x7d0 ] || fail "interval is $(reg_value SLIDESHOW_INTERVAL_TIME), not 2000"
[ "$(reg_value SLIDESHOW_EFFECT_METHOD)" = 0x4 ] || fail "effect is $(reg_value SLIDESHOW_EFFECT_METHOD), not 4"
[ "$(reg_value INITIAL_VIEW_POSITION)" = 0x5 ] || fail "position is $(reg_value INITIAL_VIEW_POSITION), not 5"
[ "$(reg_value START_MODE)" = 0x1 ] || fail "start mode changed to $(reg_value START_MODE)"

# A slideshow now changes pictures after 2 s with "Cover Left".
shot viewer 0.5
[[ "$(classes viewer row 150)" =~ ^R+$ ]] || fail "the picture is not shown after the sheet"
xdotool mousemove 226 306 click 1 mousemove 120 150 sleep 1.7
cover_edges 30 0.03

e2e_quit 120 150
e2e_done "options: effect, time and position stored; centre cell lit; cover band moved (${EDGES[*]})"
