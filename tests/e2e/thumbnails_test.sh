#!/bin/bash
# The thumbnail grid fills the cache on a cold run and fills from it on a
# warm one; the scrollbar scrolls it and a double tap opens a picture. Prints
# the times to the first screenful; grid_cold/grid_warm shots are kept.
# Usage: thumbnails_test.sh <viewer.exe>
set -euo pipefail
VIEWER="$1"
HERE="$(cd "$(dirname "$0")" && pwd)"
. "$HERE/e2e_lib.sh" thumbnails

LARGE=28
SMALL=2
# A bigger size (say 3000x2000) shows what the cache saves on photos.
SIZE=${THUMBS_E2E_SIZE:-640x480}
RECORD=548
PANE_TOP=112   # screen y of the lower pane: top bar 26 + splitter 77 + 9
STRIP_X=233    # the thumbnail scrollbar, 13 wide at the right edge
VIEW_BUTTON_X=55  # the view button of the browser's menu bar

# A picture's pixel: clearly coloured, unlike the grey cells, the white
# pending marker and the window background.
is_picture() { rgb "$@" | awk '{ mx = $1; mn = $1
    if ($2 > mx) mx = $2; if ($3 > mx) mx = $3; if ($2 < mn) mn = $2; if ($3 < mn) mn = $3
    exit !(mx - mn > 60) }'; }
# Centre of the box of cell i (column i % 3, row i / 3) at scroll offset 0.
cell_x() { echo $(( $1 % 3 * 74 + 40 )); }
cell_y() { echo $(( PANE_TOP + $1 / 3 * 85 + 38 )); }
# The two full rows the pane shows all carry their thumbnails.
screen_filled() {
    local i
    for i in 0 1 2 3 4 5; do is_picture "$1" "$(cell_x $i)" "$(cell_y $i)" || return 1; done
}
# Two "r g b" triples within 12 a channel.
same_colour() { echo "$1 $2" | awk '{ for (i = 1; i <= 3; i++) { d = $i - $(i + 3); if (d * d > 144) exit 1 } }'; }
now() { date +%s.%N; }
size_of() { stat -c %s "$1" 2>/dev/null || echo 0; }

# 28 grainy pictures over 256 pixels, each its own colour; 2 small ones, never cached.
mkdir -p "$WORK/pics" "$WORK/thumbs"
/usr/bin/python3 - "$WORK/pics" "$LARGE" "$SMALL" "$SIZE" <<'EOF'
import colorsys, sys
from PIL import Image, ImageChops, ImageDraw
folder, large, small = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
size = tuple(int(v) for v in sys.argv[4].split('x'))
for i in range(large + small):
    w, h = size if i < large else (200, 150)
    r, g, b = (int(c * 255) for c in colorsys.hsv_to_rgb(i / (large + small), 0.9, 0.95))
    im = Image.new('RGB', (w, h), (r // 3, g // 3, b // 3))
    d = ImageDraw.Draw(im)
    for y in range(0, h, 8):
        d.line([(0, y), (w, y + h // 2)], fill=(r // 2, g // 2, b // 2), width=3)
    d.ellipse([w // 4, h // 5, 3 * w // 4, 4 * h // 5], fill=(r, g, b))
    # Grain, as photos have: it costs the decoder what a photo costs.
    grain = Image.effect_noise((w, h), 40).point(lambda v: 150 + v * 105 // 255).convert('RGB')
    im = ImageChops.multiply(im, grain)
    name = 'photo_%02d.jpg' % (i + 1) if i < large else 'small_%d.jpg' % (i - large + 1)
    im.save('%s/%s' % (folder, name), quality=85)
EOF

WINWORK="$(tree_path "$WORK")"
reg_reset
reg_set START_FOLDER REG_SZ "$WINWORK\\"
reg_set THUMBNAIL_FOLDER REG_SZ "$WINWORK\\thumbs"

# One run: start in the browser at the work folder, switch to thumbnails,
# tap "pics" and time the first screenful. Sets FIRST_SCREEN (seconds).
open_grid() {
    local run="$1" y i
    start_viewer "Ombrix Viewer"
    shot "start_$run" 2.5
    # The view button of the list's menu bar switches to thumbnails.
    xdotool mousemove "$VIEW_BUTTON_X" 306 click 1
    sleep 0.8
    y=$(folder_icon_y "start_$run")
    [ -n "$y" ] || fail "$run: no folder icon of 'pics' in the tree"
    shot "before_$run" 0
    ! screen_filled "before_$run" || fail "$run: thumbnails before the folder change"
    POINTS=
    for i in 0 1 2 3 4 5; do POINTS="$POINTS $(cell_x $i),$(cell_y $i)"; done
    # shellcheck disable=SC2086
    FIRST_SCREEN=$(/usr/bin/python3 "$HERE/first_screenful.py" 100 $((26 + y + 3)) $POINTS) ||
        FIRST_SCREEN=
    T_FIRST=$(now)
    [ -n "$FIRST_SCREEN" ] || fail "$run: the first screenful of thumbnails never came"
}

# ---- Cold run: the cache fills ----------------------------------------------
open_grid cold
COLD_FIRST=$FIRST_SCREEN
pvx_count() { ls "$WORK/thumbs" | grep -c '^pvx[0-9]*\.pvx$' || true; }
for _ in $(seq 1500); do [ "$(pvx_count)" -ge "$LARGE" ] && break; sleep 0.02; done
COLD_ALL=$(echo "$(now) - $T_FIRST + $COLD_FIRST" | bc)
shot grid_cold 0.5
for k in $(seq "$LARGE"); do [ -s "$WORK/thumbs/pvx$k.pvx" ] || fail "cold: no pvx$k.pvx"; done
[ "$(ls "$WORK/thumbs" | wc -l)" -eq $((LARGE + 1)) ] || fail "cold: other files than index.tmb and $LARGE pvx files"
e2e_quit 120 200
# The index's stream is complete once the viewer has closed it.
WANT=$(( RECORD * (1 + LARGE) ))
[ "$(size_of "$WORK/thumbs/index.tmb")" -eq "$WANT" ] ||
    fail "cold: index.tmb is $(size_of "$WORK/thumbs/index.tmb") bytes, not $WANT"
BEFORE=$(ls -l --time-style=+%s.%N "$WORK/thumbs" | md5sum)

# ---- Warm run: the grid fills from the cache -----------------------------------
# The exit stored "pics" as the start folder: start above it again.
reg_set START_FOLDER REG_SZ "$WINWORK\\"
open_grid warm
WARM_FIRST=$FIRST_SCREEN
shot grid_warm 1.5

# ---- Scroll with the scrollbar: a tap below its thumb pages down one row ------
for i in 3 4 5; do
    is_picture grid_warm "$(cell_x $i)" "$(cell_y $i)" || fail "warm: cell $i has no thumbnail"
done
EXPECT=$(rgb grid_warm "$(cell_x 4)" "$(cell_y 4)")
xdotool mousemove "$STRIP_X" $((PANE_TOP + 150)) click 1
shot scrolled 1.0
# Cells drawn through the off-screen bitmap keep 5 bits of green.
same_colour "$(rgb scrolled "$(cell_x 1)" "$(cell_y 1)")" "$EXPECT" ||
    fail "scrolled: the second row did not move to the top"

# ---- Double tap the fifth picture (now in the top row) --------------------------
xdotool mousemove "$(cell_x 1)" "$(cell_y 1)" click --repeat 2 --delay 80 1
wait_title "photo_05 - Ombrix Viewer" || { shot no_open 0; fail "the double tap did not open photo_05.jpg"; }
shot opened 1.5
is_picture opened 120 160 || fail "opened: the viewer does not show the picture"
e2e_quit 120 200
# Filled from the cache: no new pvx file, no new record, nothing rewritten.
[ "$(size_of "$WORK/thumbs/index.tmb")" -eq "$WANT" ] || fail "warm: index.tmb changed size"
[ "$(ls -l --time-style=+%s.%N "$WORK/thumbs" | md5sum)" = "$BEFORE" ] || fail "warm: the cache folder changed"

printf 'thumbnails: first screenful after the folder change: cold %.2f s, warm %.2f s\n' "$COLD_FIRST" "$WARM_FIRST"
printf 'thumbnails: cold run, all %d pictures cached %.2f s after the folder change\n' "$LARGE" "$COLD_ALL"
find "$SHOTS" -name '*.png' ! -name 'grid_*.png' -delete
echo "thumbnails: cache filled cold, used warm, scrolled and opened"
