#!/bin/bash
# The distribution zip that the dist target packs: exactly the package's
# files, a description that lists what is installed, the same bytes whatever
# the input files' dates, and a viewer.exe that starts once unpacked.
# Usage: dist_test.sh <cmake> <build dir> <zip> <make_package.sh> <viewer.exe> <setup.exe> <strip>
set -euo pipefail
CMAKE="$1" BUILD="$2" ZIP="$3" PACK="$4" VIEWER="$5" SETUP="$6" STRIP="$7"
. "$(dirname "$0")/../../scripts/lib.sh"

SETTINGS='HKCU\Software\Ombrix\Ombrix Viewer'
WORK=$(mktemp -d)
VIEWER_PID=
fail() { echo "FAIL: $*"; exit 1; }
finish() {
    [ -n "$VIEWER_PID" ] && kill "$VIEWER_PID" 2>/dev/null || true
    wine reg delete "$SETTINGS" /f >/dev/null 2>&1 || true
    rm -rf "$WORK"
}
trap finish EXIT

# The zip is made on request only.
"$CMAKE" --build "$BUILD" --target dist >/dev/null || fail "the dist target failed"
ENTRIES=$(zipinfo -1 "$ZIP" | tr '\n' ' ')
[ "$ENTRIES" = "viewer.exe initial_data0.pvx setup.exe Ombrix Viewer.ini " ] || fail "zip holds [$ENTRIES]"

# Unpacked into a folder with a space, as a user might.
mkdir -p "$WORK/Ombrix Download"
unzip -q "$ZIP" -d "$WORK/Ombrix Download"
DESCRIPTION=$(tr -d '\r' < "$WORK/Ombrix Download/Ombrix Viewer.ini")
LISTED=$(echo "$DESCRIPTION" | sed -n 's/^File[0-9]*=//p' | tr '\n' ' ')
[ "$LISTED" = "viewer.exe initial_data0.pvx " ] || fail "the description installs [$LISTED]"
echo "$DESCRIPTION" | grep -qx 'Count=2' || fail "description count"
echo "$DESCRIPTION" | grep -qx 'InstallFolder=\\Program Files\\Ombrix Viewer' || fail "no install folder"

# Copies of the inputs with other dates, in another time zone and with another
# umask pack to the same bytes.
pack_copy() {
    mkdir -p "$WORK/$1/in"
    cp "$VIEWER" "$(dirname "$VIEWER")/initial_data0.pvx" "$SETUP" "$WORK/$1/in/"
    touch -d "$2" "$WORK/$1/in/"*
    (umask "$3" && TZ="$4" bash "$PACK" "$WORK/$1/out" "$WORK/$1/in/viewer.exe" "$WORK/$1/in/setup.exe" \
        "$STRIP" >/dev/null)
}
pack_copy run1 "2011-03-04 05:06:07" 022 UTC
pack_copy run2 "2024-10-11 12:13:14" 077 Asia/Tokyo
cmp "$WORK/run1/out/ombrix-viewer.zip" "$WORK/run2/out/ombrix-viewer.zip" || fail "two packings differ"

# The viewer from the unpacked zip starts, and ends with code 0 when closed
# through its window (taskkill without /F posts WM_CLOSE).
wine reg delete "$SETTINGS" /f >/dev/null 2>&1 || true
cd "$WORK/Ombrix Download"
wine "$WORK/Ombrix Download/viewer.exe" &
VIEWER_PID=$!
wait_for_window "Ombrix Viewer" 30 >/dev/null || fail "the unpacked viewer.exe shows no window"
wine taskkill /IM viewer.exe >/dev/null 2>&1 || fail "could not ask the viewer to close"
wait_for_exit "$VIEWER_PID" 20 || fail "the unpacked viewer did not end when closed"
RC=0
wait "$VIEWER_PID" || RC=$?
VIEWER_PID=
[ "$RC" -eq 0 ] || fail "the unpacked viewer ended with code $RC"
echo "ok: zip entries, description, reproducible packing, unpacked viewer started and ended"
