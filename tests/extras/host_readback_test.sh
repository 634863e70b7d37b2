#!/bin/bash
# The BMP and icon files the library writes, read back by ImageMagick on the
# host: every pixel must come back as written, and an icon of a picture with
# no mask must show every pixel.
# Usage: host_readback_test.sh <write_samples.exe>
set -euo pipefail
WRITER="$1"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

wine "$WRITER" "$(winepath -w "$WORK")"

check() {
    local file="$1" hidden="$2" bad
    # One line per pixel: "x,y: (r,g,b,a)" in 8-bit values.
    bad=$(convert "$file" -depth 8 -alpha on txt:- | tr -d '\r' | awk -v hidden="$hidden" -F'[:(), ]+' '
        /^[0-9]/ {
            x = $1; y = $2; r = $3; g = $4; b = $5; a = $6
            if (hidden == 1 && x == 0 && y == 0) { if (a != 0) print "pixel 0,0 not transparent"; next }
            if (r != 99 || g != y * 20 || b != x * 20 || a != 255) print "pixel " x "," y ": " r "," g "," b "," a
            n++
        }
        END { if (n < 59) print "only " n " pixels" }')
    if [ -n "$bad" ]; then
        echo "FAIL: $file"
        echo "$bad" | head -5
        exit 1
    fi
    identify "$file"
}

check "$WORK/sample.bmp" 0
check "$WORK/sample.ico" 1
check "$WORK/plain.ico" 0
echo "ImageMagick reads the written BMP and icons back pixel for pixel"
