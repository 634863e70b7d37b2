#!/bin/bash
# One storm on the display and Wine prefix of the environment: the device's
# storage made in a temporary folder and mapped as a free drive letter, the
# settings key set for it, then the driver against the real viewer.exe.
# Usage: run_storm.sh <storm_driver.exe> <viewer.exe> <seconds> <seed> <pictures> [log]
set -euo pipefail
DRIVER="$1" VIEWER="$2" SECONDS_TO_RUN="$3" SEED="$4" COUNT="$5" LOG="${6:-/dev/null}"
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
: "${WINEPREFIX:?the storm runs in a Wine prefix}"
: "${DISPLAY:?the storm runs on a display}"
KEY='HKCU\Software\Ombrix\Ombrix Viewer'

STORAGE=$(mktemp -d)
LINK=
trap '[ -n "$LINK" ] && rm -f "$LINK"; rm -rf "$STORAGE"' EXIT
echo "making $COUNT pictures in $STORAGE"
"$HERE/make_storm_pictures.sh" "$STORAGE" "$COUNT"
for letter in n o p q r s t u v w x y; do
    # ln fails on a letter already taken, by the prefix or by another run.
    ln -s "$STORAGE" "$WINEPREFIX/dosdevices/$letter:" 2>/dev/null && LINK="$WINEPREFIX/dosdevices/$letter:" && break
done
[ -n "$LINK" ] || { echo "no free drive letter in $WINEPREFIX/dosdevices" >&2; exit 1; }

reg() { wine reg add "$KEY" /v "$1" /t "$2" /d "$3" /f >/dev/null 2>&1; }
wine reg delete "$KEY" /f >/dev/null 2>&1 || true
reg START_MODE REG_DWORD 0
reg START_FOLDER REG_SZ '\Pictures\'
reg THUMBNAIL_FOLDER REG_SZ '\Thumbnails'
reg SCREENCAPTURE_SAVE_FOLDER REG_SZ '\Captures'
reg SLIDESHOW_INTERVAL_TIME REG_DWORD 1000
reg SLIDESHOW_EFFECT_METHOD REG_DWORD 1
reg SLIDESHOW_LOOP REG_DWORD 1
# A fault must end the process, not wait on a crash dialog nobody closes.
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1

rc=0
wine "$DRIVER" "$(winepath -w "$VIEWER")" "$letter:\\" "$SECONDS_TO_RUN" "$SEED" | tr -d '\r' | tee "$LOG" || rc=$?
wine reg delete "$KEY" /f >/dev/null 2>&1 || true
exit "$rc"
