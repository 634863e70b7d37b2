#!/bin/bash
# The distribution zip: exactly the package's files, a description that lists
# what is installed, the same bytes whatever the input files' dates, and a
# viewer.exe that starts once unpacked.
# Usage: dist_test.sh <zip> <make_package.sh> <viewer.exe> <setup.exe> <strip program>
set -euo pipefail
ZIP="$1"
PACK="$2"
VIEWER="$3"
SETUP="$4"
STRIP="$5"
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

[ -f "$ZIP" ] || fail "no zip at $ZIP"

# The sample picture ships only when the build placed one beside viewer.exe.
EXPECTED="viewer.exe"
INSTALLED="viewer.exe"
if [ -f "$(dirname "$VIEWER")/initial_data0.pvx" ]; then
    EXPECTED="$EXPECTED initial_data0.pvx"
    INSTALLED="$INSTALLED initial_data0.pvx"
fi
EXPECTED="$EXPECTED setup.exe Ombrix Viewer.ini"
ENTRIES=$(zipinfo -1 "$ZIP" | tr '\n' ' ' | sed 's/ $//')
[ "$ENTRIES" = "$EXPECTED" ] || fail "zip holds [$ENTRIES], expected [$EXPECTED]"
echo "ok: the zip holds exactly: $ENTRIES"

# Unpacked into a folder with a space, as a user might.
mkdir -p "$WORK/Ombrix Download"
unzip -q "$ZIP" -d "$WORK/Ombrix Download"
DESCRIPTION="$WORK/Ombrix Download/Ombrix Viewer.ini"
LISTED=$(tr -d '\r' < "$DESCRIPTION" | sed -n 's/^File[0-9]*=//p' | tr '\n' ' ' | sed 's/ $//')
[ "$LISTED" = "$INSTALLED" ] || fail "the description installs [$LISTED], not [$INSTALLED]"
COUNT=$(tr -d '\r' < "$DESCRIPTION" | sed -n 's/^Count=//p')
[ "$COUNT" = "$(echo "$INSTALLED" | wc -w)" ] || fail "description count $COUNT"
tr -d '\r' < "$DESCRIPTION" | grep -qx 'InstallFolder=\\Program Files\\Ombrix Viewer' \
    || fail "no install folder in the description"
echo "ok: the description installs $LISTED"

# Packing copies of the inputs with other dates, in another time zone and with
# another umask gives the same bytes twice.
pack_copy() {
    local dir="$WORK/$1" stamp="$2"
    mkdir -p "$dir/in"
    cp "$VIEWER" "$dir/in/viewer.exe"
    cp "$SETUP" "$dir/in/setup.exe"
    if [ -f "$(dirname "$VIEWER")/initial_data0.pvx" ]; then
        cp "$(dirname "$VIEWER")/initial_data0.pvx" "$dir/in/"
    fi
    touch -d "$stamp" "$dir/in/"*
    (umask "$3" && TZ="$4" bash "$PACK" "$dir/out" "$dir/in/viewer.exe" "$dir/in/setup.exe" \
        "$STRIP" >/dev/null)
}
pack_copy run1 "2011-03-04 05:06:07" 022 UTC
pack_copy run2 "2024-10-11 12:13:14" 077 Asia/Tokyo
cmp "$WORK/run1/out/ombrix-viewer.zip" "$WORK/run2/out/ombrix-viewer.zip" \
    || fail "two packings of the same files differ"
echo "ok: packing is reproducible"

# The viewer from the unpacked zip starts and ends normally.
wine reg delete "$SETTINGS" /f >/dev/null 2>&1 || true
cd "$WORK/Ombrix Download"
wine "$WORK/Ombrix Download/viewer.exe" &
VIEWER_PID=$!
wait_for_window "Ombrix Viewer" 30 >/dev/null || fail "the unpacked viewer.exe shows no window"
# Closed through its window (taskkill without /F posts WM_CLOSE), which does
# not depend on where the display's keyboard focus is.
wine taskkill /IM viewer.exe >/dev/null 2>&1 || fail "could not ask the viewer to close"
wait_for_exit "$VIEWER_PID" 20 || fail "the unpacked viewer did not end when closed"
RC=0
wait "$VIEWER_PID" || RC=$?
VIEWER_PID=
[ "$RC" -eq 0 ] || fail "the unpacked viewer ended with code $RC"
echo "ok: viewer.exe from the unpacked zip started and ended with code 0"
