#!/bin/bash
# Makes the distribution: a folder and a zip holding viewer.exe, the sample
# picture initial_data0.pvx that the build puts beside viewer.exe, setup.exe,
# the installation description "Ombrix Viewer.ini", and licences/ with the
# licence texts of the libraries linked into the programs.
# The same inputs always give the same zip: programs are stripped of symbols
# (they name build paths), and every date is SOURCE_DATE_EPOCH.
# Usage: make_package.sh <out dir> <viewer.exe> <setup.exe> <strip program> <licence folder>
# The licence folder is the one scripts/bootstrap fills: <dependency prefix>/share/licenses.
set -euo pipefail
OUT="$1"
VIEWER="$2"
SETUP="$3"
STRIP="$4"
LICENCE_SOURCE="${5:-}"
[ -d "$LICENCE_SOURCE" ] || { echo "make_package.sh: no licence folder [$LICENCE_SOURCE]" >&2; exit 1; }

NAME="ombrix-viewer"
DESCRIPTION="Ombrix Viewer.ini"
SAMPLE="$(dirname "$VIEWER")/initial_data0.pvx"
# 2000-01-01 00:00:00 UTC when the caller gives no date.
export SOURCE_DATE_EPOCH="${SOURCE_DATE_EPOCH:-946684800}"
export TZ=UTC LC_ALL=C

# The options sheet shows the sample: a package without it is incomplete.
[ -f "$SAMPLE" ] || { echo "make_package.sh: no $SAMPLE" >&2; exit 1; }
# Every library linked into the programs; their licences (LGPL for libexif,
# libde265 and libheif) ask for their texts to go with the programs.
LIBRARIES=(libjpeg-turbo libexif libwebp libde265 dav1d libheif lcms2 zlib)
for lib in "${LIBRARIES[@]}"; do
    [ -n "$(ls -A "$LICENCE_SOURCE/$lib" 2>/dev/null)" ] \
        || { echo "make_package.sh: no licence texts in $LICENCE_SOURCE/$lib (run scripts/bootstrap)" >&2; exit 1; }
done

FOLDER="$OUT/$NAME"
ZIP="$OUT/$NAME.zip"
rm -rf "$FOLDER" "$ZIP"
mkdir -p "$FOLDER"

# The files the application manager installs on the handheld, in package order.
PACKAGE=(viewer.exe initial_data0.pvx)
# The stripper dates the program's header from SOURCE_DATE_EPOCH.
"$STRIP" --strip-all -o "$FOLDER/viewer.exe" "$VIEWER"
cp "$SAMPLE" "$FOLDER/initial_data0.pvx"
"$STRIP" --strip-all -o "$FOLDER/setup.exe" "$SETUP"

{
    echo "; Installation description of Ombrix Viewer, read by the application"
    echo "; manager that setup.exe starts. Files are relative to this file's folder."
    echo "[Application]"
    echo "Name=Ombrix Viewer"
    echo "Version=1.0"
    echo "InstallFolder=\\Program Files\\Ombrix Viewer"
    echo ""
    echo "[Files]"
    echo "Count=${#PACKAGE[@]}"
    i=1
    for f in "${PACKAGE[@]}"; do
        echo "File$i=$f"
        i=$((i + 1))
    done
} | sed 's/$/\r/' > "$FOLDER/$DESCRIPTION"

LICENCES=()
for lib in "${LIBRARIES[@]}"; do
    mkdir -p "$FOLDER/licences/$lib"
    for f in $(cd "$LICENCE_SOURCE/$lib" && ls); do
        cp "$LICENCE_SOURCE/$lib/$f" "$FOLDER/licences/$lib/$f"
        LICENCES+=("licences/$lib/$f")
    done
done

# Fixed order, fixed dates and modes, no Unix extra fields: identical bytes.
ENTRIES=("${PACKAGE[@]}" setup.exe "$DESCRIPTION" "${LICENCES[@]}")
for f in "${ENTRIES[@]}"; do
    chmod 0644 "$FOLDER/$f"
    touch -d "@$SOURCE_DATE_EPOCH" "$FOLDER/$f"
done
(cd "$FOLDER" && zip -q -X -D -9 "../$NAME.zip" "${ENTRIES[@]}")
echo "$ZIP"
