#!/bin/bash
# The zip that the dist target packs: the package's files, a description of
# what is installed, and the same bytes whatever the inputs' dates, zone and umask.
# Usage: dist_test.sh <cmake> <build dir> <zip> <make_package.sh> <viewer.exe> <setup.exe> <strip>
#                     <licence folder>
set -euo pipefail
CMAKE="$1" BUILD="$2" ZIP="$3" PACK="$4" VIEWER="$5" SETUP="$6" STRIP="$7" LICENCES="$8"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

"$CMAKE" --build "$BUILD" --target dist >/dev/null || fail "the dist target failed"
LISTING=$(zipinfo -1 "$ZIP")
ENTRIES=$(grep -v '^licences/' <<<"$LISTING" | tr '\n' ' ')
[ "$ENTRIES" = "viewer.exe initial_data0.pvx setup.exe Ombrix Viewer.ini " ] || fail "zip holds [$ENTRIES]"
for lib in libjpeg-turbo libexif libwebp libde265 dav1d libheif lcms2 zlib; do
    grep -q "^licences/$lib/." <<<"$LISTING" || fail "no licence text of $lib in the zip"
done

unzip -q "$ZIP" -d "$WORK/unpacked"
DESCRIPTION=$(tr -d '\r' < "$WORK/unpacked/Ombrix Viewer.ini")
LISTED=$(echo "$DESCRIPTION" | sed -n 's/^File[0-9]*=//p' | tr '\n' ' ')
[ "$LISTED" = "viewer.exe initial_data0.pvx " ] || fail "the description installs [$LISTED]"
echo "$DESCRIPTION" | grep -qx 'Count=2' || fail "description count"
echo "$DESCRIPTION" | grep -qx 'InstallFolder=\\Program Files\\Ombrix Viewer' || fail "no install folder"

pack_copy() {
    mkdir -p "$WORK/$1/in"
    cp "$VIEWER" "$(dirname "$VIEWER")/initial_data0.pvx" "$SETUP" "$WORK/$1/in/"
    cp -r "$LICENCES" "$WORK/$1/licences"
    find "$WORK/$1/in" "$WORK/$1/licences" -exec touch -d "$2" {} +
    (umask "$3" && TZ="$4" bash "$PACK" "$WORK/$1/out" "$WORK/$1/in/viewer.exe" "$WORK/$1/in/setup.exe" \
        "$STRIP" "$WORK/$1/licences" >/dev/null)
}
pack_copy run1 "2011-03-04 05:06:07" 022 UTC
pack_copy run2 "2024-10-11 12:13:14" 077 Asia/Tokyo
cmp "$WORK/run1/out/ombrix-viewer.zip" "$WORK/run2/out/ombrix-viewer.zip" || fail "two packings differ"
echo "ok: zip entries, licence texts, description and reproducible packing"
