#!/bin/bash
# Writes the imaging tests' pictures: PNGs and GIFs from pixel lists, so
# every pixel is known; progressive JPEGs through cjpeg; profiled pictures
# through ImageMagick, cwebp and avifenc; camera-style JPEGs through Pillow.
# Usage: make_fixtures.sh <convert> <cjpeg> <python> <icc folder> <folder>
set -euo pipefail
CONVERT="$1" CJPEG="$2" PYTHON="$3" ICC="$4" OUT="$5"
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

# The thumbnail decode's progressive JPEGs: a photo-like picture (sides no
# multiple of a block) at several subsamplings, qualities and scan orders.
# In the last, each component's DC has a scan of its own, two bits short at
# first, the refinements after the AC data: the decoder must wait for all
# three, and at a coarse quantiser for a refinement too.
SRC="$OUT/photo.ppm"
"$CONVERT" -size 803x601 -seed 15 plasma:fractal -blur 0x2 -seed 16 -attenuate 0.4 +noise Gaussian -depth 8 "$SRC"
printf '%s\n' '0: 0-0, 0, 2;' '0: 1-63, 0, 1;' '1: 0-0, 0, 2;' '2: 0-0, 0, 2;' '1: 1-63, 0, 0;' '2: 1-63, 0, 0;' \
    '0,1,2: 0-0, 2, 1;' '0: 1-63, 1, 0;' '0,1,2: 0-0, 1, 0;' >"$OUT/dc_apart.scans"
"$CJPEG" -quality 90 -sample 2x2 -progressive -outfile "$OUT/prog_420.jpg" "$SRC"
"$CJPEG" -quality 75 -sample 2x1 -progressive -outfile "$OUT/prog_422.jpg" "$SRC"
"$CJPEG" -quality 95 -sample 1x1 -progressive -outfile "$OUT/prog_444.jpg" "$SRC"
"$CJPEG" -quality 85 -grayscale -progressive -outfile "$OUT/prog_grey.jpg" "$SRC"
"$CJPEG" -quality 50 -sample 2x2 -scans "$OUT/dc_apart.scans" -outfile "$OUT/prog_dc_apart.jpg" "$SRC"
rm -f "$SRC"

# The colour tests': sRGB quarters (200,60,40 and 60,160,80 over 50,70,190
# and 230,230,230) converted into ProPhoto RGB and Adobe RGB with the profile
# embedded, in each format that carries one; an AVIF naming Display P3 in nclx.
SRGB='p = (y < h / 2 ? (x < w / 2 ? "200,60,40" : "60,160,80") : (x < w / 2 ? "50,70,190" : "230,230,230")) ",255"'
make 64 48 "$SRGB" PNG24:"$OUT/colour_quad.png"
make 320 240 "$SRGB" PNG24:"$OUT/colour_quad_large.png"
to() { "$CONVERT" "$1" -profile "$ICC/sRGB.icc" -profile "$ICC/$2" "${@:3}"; }
to "$OUT/colour_quad.png" ProPhotoRGB.icc PNG24:"$OUT/prophoto.png"
to "$OUT/colour_quad.png" ProPhotoRGB.icc -quality 95 "$OUT/prophoto.jpg"
to "$OUT/colour_quad.png" ProPhotoRGB.icc BMP:"$OUT/prophoto.bmp"
to "$OUT/colour_quad.png" AdobeRGB1998.icc -quality 95 "$OUT/adobe.jpg"
to "$OUT/colour_quad_large.png" ProPhotoRGB.icc -quality 95 "$OUT/prophoto_large.jpg"
cwebp -quiet -lossless -metadata icc "$OUT/prophoto.png" -o "$OUT/prophoto.webp"
avifenc -s 10 "$OUT/prophoto.png" "$OUT/prophoto.avif" >/dev/null
avifenc -s 10 --ignore-icc --cicp 12/13/6 "$OUT/colour_quad.png" "$OUT/display_p3.avif" >/dev/null

# cam1.jpg .. cam8.jpg: one upright 320 x 240 scene (red, green / blue, white
# quarters) stored as a camera stores it for each EXIF orientation, with that
# orientation in the file; Pillow, which reads the tag on its own, must stand
# each up as the scene again.
"$PYTHON" - "$OUT" <<'PY'
import os, sys
from PIL import Image, ImageOps
T = Image.Transpose
STORE = {1: None, 2: T.FLIP_LEFT_RIGHT, 3: T.ROTATE_180, 4: T.FLIP_TOP_BOTTOM,
         5: T.TRANSPOSE, 6: T.ROTATE_90, 7: T.TRANSVERSE, 8: T.ROTATE_270}
upright = Image.new("RGB", (320, 240), (255, 255, 255))
for (x, y, colour) in ((0, 0, (255, 0, 0)), (160, 0, (0, 255, 0)), (0, 120, (0, 0, 255))):
    upright.paste(colour, (x, y, x + 160, y + 120))
for orientation, method in STORE.items():
    exif = Image.Exif()
    exif[0x0112] = orientation
    path = os.path.join(sys.argv[1], "cam%d.jpg" % orientation)
    (upright if method is None else upright.transpose(method)).save(path, quality=95, exif=exif.tobytes())
    with Image.open(path) as check:
        back = ImageOps.exif_transpose(check)
        if back.size != upright.size or any(max(abs(a - b) for a, b in zip(upright.getpixel(p), back.getpixel(p))) > 40
                                            for p in ((80, 60), (240, 60), (80, 180), (240, 180))):
            sys.exit("cam%d.jpg does not stand upright" % orientation)
PY
