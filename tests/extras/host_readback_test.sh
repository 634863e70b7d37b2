#!/bin/bash
# The BMP file the library writes (the viewer's screen captures), read back by
# ImageMagick on the host: every pixel must come back as the library stored it.
# Usage: host_readback_test.sh <write_samples.exe>
set -euo pipefail
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
wine "$1" "$(winepath -w "$WORK")"

# One line per pixel: "x,y: (r,g,b,a)" in 8-bit values.
bad=$(convert "$WORK/sample.bmp" -depth 8 -alpha on txt:- | tr -d '\r' | awk -F'[:(), ]+' '
    /^[0-9]/ {
        x = $1; y = $2; n++
        if ($3 != 99 || $4 != y * 20 || $5 != x * 20 || $6 != 255) print "pixel " x "," y ": " $3 "," $4 "," $5 "," $6
    }
    END { if (n < 60) print "only " n " pixels" }')
if [ -n "$bad" ]; then
    echo "FAIL: sample.bmp"; echo "$bad" | head -5; exit 1
fi
echo "ImageMagick reads the written BMP back pixel for pixel"
