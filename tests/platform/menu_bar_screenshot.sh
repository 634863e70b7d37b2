#!/bin/bash
# Screenshots of a viewer and a browser menu bar with the top bar, on the
# 16-bpp test display. Keeps the pictures for a person to look at, and checks
# what can be read from pixels: the bars' colours, the icons' colours, and
# that no magenta shows through.
# Usage: menu_bar_screenshot.sh <menu_bar_sample.exe> <screenshot folder>
set -euo pipefail
SAMPLE="$1"
OUT="$2"
. "$(dirname "$0")/../../scripts/lib.sh"

fail() { echo "FAIL: $*"; exit 1; }
mkdir -p "$OUT"

# Pixels of a region matching an fx condition.
count() {
    convert "$1" -crop "$2" +repage -fx "$3" -format '%[fx:int(mean*w*h+0.5)]' info:
}

shoot() {
    local bar="$1" shot="$OUT/menu_bar_$1.png" pid
    wine "$SAMPLE" 6 "$bar" >"$OUT/menu_bar_$bar.txt" &
    pid=$!
    wait_for_window "Beach - Ombrix Viewer" 30 >/dev/null || fail "bar $bar: no sample window"
    sleep 1.5
    import -window root "$shot"
    wait "$pid" || fail "bar $bar: the sample failed"

    local bottom="240x26+0+294" top="214x26+0+0"
    local magenta icons white
    magenta=$(count "$shot" "$bottom" 'r>0.9&&g<0.1&&b>0.9')
    [ "$magenta" -eq 0 ] || fail "bar $bar: $magenta magenta pixels show through"
    icons=$(convert "$shot" -crop "$bottom" +repage -unique-colors -format '%w' info:)
    [ "$icons" -ge 8 ] || fail "bar $bar: only $icons colours on the menu bar"
    # The top bar: dark blue with the title in white.
    white=$(count "$shot" "$top" 'r>0.95&&g>0.95&&b>0.95')
    [ "$white" -ge 40 ] || fail "bar $bar: no title in the top bar ($white white pixels)"
    [ "$(count "$shot" "2x2+1+1" 'b>0.4&&r<0.1')" -eq 4 ] || fail "bar $bar: top bar is not dark blue"
    echo "bar $bar: $icons colours, $white title pixels -> $shot"
}

shoot 149
shoot 102
# The viewer bar's play button is the one green thing on screen.
green=$(count "$OUT/menu_bar_149.png" "240x26+0+294" 'g>0.55&&r<0.3&&b<0.4')
[ "$green" -ge 10 ] || fail "no start-slide-show button on the viewer bar ($green green pixels)"
echo "PASS"
