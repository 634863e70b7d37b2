#!/bin/bash
# The BMP and icon files the library writes, read back by ImageMagick on the
# host: every pixel must come back as the library stored it, and an icon of a picture with
# no mask must show every pixel.
# Usage: host_readback_test.sh <write_samples.exe>
set -euo pipefail
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
wine "$1" "$(winepath -w "$WORK")"

check() { # <file> <1 when pixel 0,0 is hidden>
    # One line per pixel: "x,y: (r,g,b,a)" in 8-bit values.
    local bad
    bad=$(convert "$1" -depth 8 -alpha on txt:- | tr -d '\r' | awk -v hidden="$2" -F'[:(), ]+' '
        /^[0-9]/ {
            x = $1; y = $2; n++
            if (hidden == 1 && x == 0 && y == 0) { if ($6 != 0) print "pixel 0,0 not transparent"; next }
            if ($3 != 99 || $4 != y * 20 || $5 != x * 20 || $6 != 255) print "pixel " x "," y ": " $3 "," $4 "," $5 "," $6
        }
        END { if (n < 60) print "only " n " pixels" }')
    if [ -n "$bad" ]; then
        echo "FAIL: $1"; echo "$bad" | head -5; exit 1
    fi
}
check "$WORK/sample.bmp" 0
check "$WORK/sample.ico" 1
check "$WORK/plain.ico" 0
echo "ImageMagick reads the written BMP and icons back pixel for pixel"
