#!/bin/bash
# Writes the decoder tests' PNG and GIF pictures from pixel lists, so every
# pixel is known, and the camera-style JPEGs through Pillow.
# Usage: make_fixtures.sh <convert> <folder> <python>
set -euo pipefail
CONVERT="$1"
OUT="$2"
PYTHON="$3"
mkdir -p "$OUT"

# make <w> <h> <awk statement setting p to "r,g,b,a" for x, y> <convert options and output...>
make() {
    local w="$1" h="$2" p="$3" && shift 3
    awk -v w="$w" -v h="$h" 'BEGIN {
        print "# ImageMagick pixel enumeration: " w "," h ",255,srgba"
        for (y = 0; y < h; y++) for (x = 0; x < w; x++) { '"$p"'; print x "," y ": (" p ")" } }' | "$CONVERT" txt:- "$@"
}
# Red, green / blue, white quarters of 9 x 7 (the left half is 4 wide); grey
# steps of 25 along x; the quarters on the left and blue at alpha 128 on the
# right; a 20 x 10 frame of rows red, green, blue with every fourth column clear.
QUAD='p = (y < 3 ? (x < 4 ? "255,0,0" : "0,255,0") : (x < 4 ? "0,0,255" : "255,255,255")) ",255"'
GREY='p = (x * 25) "," (x * 25) "," (x * 25) ",255"'
ALPHA='if (x < 4) { '"$QUAD"' } else p = "0,0,255,128"'
FRAME='p = (x % 4 == 3) ? "0,0,0,0" : (y % 3 == 0 ? "255,0,0,255" : y % 3 == 1 ? "0,255,0,255" : "0,0,255,255")'
NOISE='p = int(rand() * 256) "," int(rand() * 256) "," int(rand() * 256) ",255"'
make 9 7 "$QUAD" PNG24:"$OUT/quad.png"
make 9 7 "$QUAD" -depth 16 PNG48:"$OUT/quad16.png"
make 9 7 "$QUAD" -interlace PNG PNG24:"$OUT/quad_interlaced.png"
make 9 7 "$QUAD" PNG8:"$OUT/quad_palette.png"
make 9 7 "$GREY" -define png:color-type=0 -depth 8 PNG:"$OUT/grey.png"
make 9 7 "$GREY" -define png:color-type=0 -define png:bit-depth=16 -interlace PNG PNG:"$OUT/grey16_interlaced.png"
make 9 7 "$ALPHA" PNG32:"$OUT/alpha.png"
make 20 10 "$FRAME" -page 30x12+2+1 GIF:"$OUT/frame.gif"
make 160 120 "$NOISE" PNG24:"$OUT/noise.png"
make 200 150 "$NOISE" -colors 256 GIF:"$OUT/noise.gif"
"$CONVERT" -size 50x40 pattern:checkerboard PNG24:"$OUT/rgb_50x40.png"
"$PYTHON" "$(dirname "${BASH_SOURCE[0]}")/make_camera_fixtures.py" "$OUT"
