#!/bin/bash
# Runs a test program with a fresh, empty device storage folder mapped as a
# Wine drive of its own, as scripts/run maps the device's storage; the
# program finds the drive ("n:" and so on) in OMBRIX_DEVICE_DRIVE.
# Usage: with_device_drive.sh <test.exe> [arguments]
set -euo pipefail
DOSDEVICES="${WINEPREFIX:-$HOME/.wine}/dosdevices"
STORAGE=$(mktemp -d)
LINK=
cleanup() {
    [ -n "$LINK" ] && rm -f "$LINK"
    rm -rf "$STORAGE"
}
trap cleanup EXIT
for letter in n o p q r s t u v w x y; do
    # ln fails on a letter already taken, by the prefix or by another run.
    if ln -s "$STORAGE" "$DOSDEVICES/$letter:" 2>/dev/null; then
        LINK="$DOSDEVICES/$letter:"
        break
    fi
done
[ -n "$LINK" ] || { echo "no free drive letter in $DOSDEVICES" >&2; exit 1; }
OMBRIX_DEVICE_DRIVE="$letter:" wine "$@"
