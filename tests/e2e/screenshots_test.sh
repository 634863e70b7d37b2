#!/bin/bash
# scripts/screenshots drives the real viewer.exe through the gallery's screens
# and writes every one of them as a 240x320 PNG into the folder it is given.
# Usage: screenshots_test.sh <viewer.exe>
set -euo pipefail
OUT=$(mktemp -d)
trap 'rm -rf "$OUT"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# The device lives beside the build that made this viewer.
OMBRIX_BUILD="$(cd "$(dirname "$1")/.." && pwd)" OMBRIX_VIEWER="$1" \
    "$(dirname "$0")/../../scripts/screenshots" "$OUT" >/dev/null || fail "scripts/screenshots ended with $?"
for name in 01-browser 02-thumbnails 03-viewer-fit 04-landscape 05-full-screen 06-slideshow \
    07-options-start 08-options-key 09-options-etc 10-file-info 11-screen-capture; do
    [ -f "$OUT/$name.png" ] || fail "no $name.png"
    [ "$(identify -format '%m %wx%h' "$OUT/$name.png")" = "PNG 240x320" ] ||
        fail "$name.png is $(identify -format '%m %wx%h' "$OUT/$name.png")"
done
[ "$(find "$OUT" -type f | wc -l)" -eq 11 ] || fail "files beyond the gallery's: $(ls "$OUT")"
echo "scripts/screenshots wrote the gallery's 11 screens"
