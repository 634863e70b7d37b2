#!/bin/bash
# The storm's device storage: a big folder of pictures (a dozen kinds drawn
# here, each copy given its own bytes), a small sub-folder, an empty one, and
# the thumbnail and capture folders.
# Usage: make_storm_pictures.sh <storage> <count>
set -euo pipefail
STORAGE="$1"
COUNT="$2"
PICS="$STORAGE/Pictures"
BASES="$STORAGE/.bases"
mkdir -p "$PICS/Small" "$PICS/Empty" "$STORAGE/Thumbnails" "$STORAGE/Captures" "$BASES"

im() { convert -seed 3 "$@"; }
# A photo-sized JPEG (the worker's and the slideshow's slow case), a large
# PNG that only the platform decoder reads, and a spread of everyday ones.
im -size 1000x750 plasma:fractal -resize 4000x3000! -quality 85 "$BASES/large.jpg"
im -size 500x375 plasma:fractal -resize 2000x1500! "$BASES/large.png"
im -size 800x600 plasma:seagreen-skyblue -quality 88 "$BASES/photo.jpg"
im -size 640x480 gradient:orange-purple -swirl 90 -interlace Plane -quality 80 "$BASES/progressive.jpg"
im -size 320x240 plasma:fractal -colorspace Gray -quality 90 "$BASES/grey.jpg"
im -size 200x150 gradient:navy-tomato -quality 90 "$BASES/small.jpg"
im -size 480x360 plasma:darkgreen-gold -type TrueColor BMP3:"$BASES/true.bmp"
im -size 300x200 plasma:fractal -colors 200 -type Palette BMP3:"$BASES/palette.bmp"
im -size 120x90 gradient:red-yellow -type TrueColor -define bmp:subtype=RGB565 BMP:"$BASES/565.bmp"
im -size 400x300 plasma:fractal -blur 0x2 "$BASES/medium.png"
im -size 240x320 gradient:'#302060'-'#8060c0' -fill '#f0e060' -draw 'polygon 120,30 200,290 40,290' -colors 64 "$BASES/tower.gif"
im -size 100x80 xc:'#3070c0' -type TrueColor BMP3:"$PICS/keep.bmp"

# copy <base> <destination> <n>: JPEG and BMP copies carry their number after
# the picture's data, so that no two files share their bytes.
copy() {
    case "$1" in
    *.jpg | *.bmp) { cat "$1"; printf 'storm %08d' "$3"; } >"$2" ;;
    *) cp "$1" "$2" ;;
    esac
}
EVERYDAY=(photo.jpg progressive.jpg grey.jpg small.jpg true.bmp palette.bmp 565.bmp medium.png tower.gif small.jpg photo.jpg)
for i in $(seq 1 "$COUNT"); do
    if ((i % 97 == 5)); then base=large.jpg
    elif ((i % 151 == 9)); then base=large.png
    else base=${EVERYDAY[i % ${#EVERYDAY[@]}]}
    fi
    copy "$BASES/$base" "$PICS/$(printf 'pic %04d' "$i").${base##*.}" "$i"
done
for i in $(seq 1 12); do
    base=${EVERYDAY[i % ${#EVERYDAY[@]}]}
    copy "$BASES/$base" "$PICS/Small/$(printf 'small %02d' "$i").${base##*.}" "$((100000 + i))"
done
rm -rf "$BASES"
