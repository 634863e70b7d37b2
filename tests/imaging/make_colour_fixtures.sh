#!/bin/bash
# Writes the colour tests' pictures: four sRGB quarters (200,60,40 and
# 60,160,80 over 50,70,190 and 230,230,230) converted by ImageMagick into
# ProPhoto RGB and Adobe RGB with the profile embedded, in each format that
# carries one, and an AVIF that names Display P3 in its nclx box.
# Usage: make_colour_fixtures.sh <convert> <folder> <icc folder>
set -euo pipefail
CONVERT="$1"
OUT="$2"
ICC="$3"
mkdir -p "$OUT"
quad() { # <w> <h> <output>
    awk -v w="$1" -v h="$2" 'BEGIN {
        print "# ImageMagick pixel enumeration: " w "," h ",255,srgb"
        for (y = 0; y < h; y++) for (x = 0; x < w; x++) {
            p = y < h / 2 ? (x < w / 2 ? "200,60,40" : "60,160,80") : (x < w / 2 ? "50,70,190" : "230,230,230")
            print x "," y ": (" p ")" } }' | "$CONVERT" txt:- PNG24:"$3"
}
quad 64 48 "$OUT/colour_quad.png"
quad 320 240 "$OUT/colour_quad_large.png"
to() { "$CONVERT" "$1" -profile "$ICC/sRGB.icc" -profile "$ICC/$2" "${@:3}"; }
to "$OUT/colour_quad.png" ProPhotoRGB.icc PNG24:"$OUT/prophoto.png"
to "$OUT/colour_quad.png" ProPhotoRGB.icc -quality 95 "$OUT/prophoto.jpg"
to "$OUT/colour_quad.png" ProPhotoRGB.icc BMP:"$OUT/prophoto.bmp"
to "$OUT/colour_quad.png" AdobeRGB1998.icc -quality 95 "$OUT/adobe.jpg"
to "$OUT/colour_quad_large.png" ProPhotoRGB.icc -quality 95 "$OUT/prophoto_large.jpg"
cwebp -quiet -lossless -metadata icc "$OUT/prophoto.png" -o "$OUT/prophoto.webp"
avifenc -s 10 "$OUT/prophoto.png" "$OUT/prophoto.avif" >/dev/null
avifenc -s 10 --ignore-icc --cicp 12/13/6 "$OUT/colour_quad.png" "$OUT/display_p3.avif" >/dev/null
