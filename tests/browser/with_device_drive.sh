#!/bin/bash
# Runs a test program with an empty device storage mapped as a Wine drive of
# its own, as scripts/run does; the program finds it in OMBRIX_DEVICE_DRIVE.
# Usage: with_device_drive.sh <test.exe> [arguments]
set -euo pipefail
DOSDEVICES="${WINEPREFIX:-$HOME/.wine}/dosdevices"
STORAGE=$(mktemp -d)
LINK=
trap '[ -n "$LINK" ] && rm -f "$LINK"; rm -rf "$STORAGE"' EXIT
for letter in n o p q r s t u v w x y; do
    # ln fails on a letter already taken, by the prefix or by another run.
    ln -s "$STORAGE" "$DOSDEVICES/$letter:" 2>/dev/null && LINK="$DOSDEVICES/$letter:" && break
done
[ -n "$LINK" ] || { echo "no free drive letter in $DOSDEVICES" >&2; exit 1; }
OMBRIX_DEVICE_DRIVE="$letter:" wine "$@"
