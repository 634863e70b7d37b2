#!/bin/bash
# Writes the thumbnail tests' progressive JPEGs: a photo-like picture (sides
# no multiple of a block) through cjpeg at several subsamplings, qualities
# and scan orders, and in grey.
# Usage: make_progressive_fixtures.sh <convert> <cjpeg> <folder>
set -euo pipefail
CONVERT="$1"
CJPEG="$2"
OUT="$3"
mkdir -p "$OUT"
SRC="$OUT/photo.ppm"
"$CONVERT" -size 803x601 -seed 15 plasma:fractal -blur 0x2 -seed 16 -attenuate 0.4 +noise Gaussian \
    -depth 8 "$SRC"

# Each component's DC in a scan of its own, two bits short at first, the
# refinements after the AC data: the decoder must wait for all three, and
# at a coarse quantiser for a refinement too.
cat > "$OUT/dc_apart.scans" <<'SCANS'
0: 0-0, 0, 2;
0: 1-63, 0, 1;
1: 0-0, 0, 2;
2: 0-0, 0, 2;
1: 1-63, 0, 0;
2: 1-63, 0, 0;
0,1,2: 0-0, 2, 1;
0: 1-63, 1, 0;
0,1,2: 0-0, 1, 0;
SCANS

"$CJPEG" -quality 90 -sample 2x2 -progressive -outfile "$OUT/prog_420.jpg" "$SRC"
"$CJPEG" -quality 75 -sample 2x1 -progressive -outfile "$OUT/prog_422.jpg" "$SRC"
"$CJPEG" -quality 95 -sample 1x1 -progressive -outfile "$OUT/prog_444.jpg" "$SRC"
"$CJPEG" -quality 85 -grayscale -progressive -outfile "$OUT/prog_grey.jpg" "$SRC"
"$CJPEG" -quality 50 -sample 2x2 -scans "$OUT/dc_apart.scans" -outfile "$OUT/prog_dc_apart.jpg" "$SRC"
rm -f "$SRC"
