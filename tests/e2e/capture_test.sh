#!/bin/bash
# Screen capture on the real viewer.exe: File > Screen Capture, then
# "Capture". The file must appear in the capture folder holding what the
# screen showed, compared with an X screenshot outside the band where the
# capture window and the notice sit.
# Usage: capture_test.sh <viewer.exe>
set -euo pipefail
VIEWER="$1"
. "$(dirname "$0")/e2e_lib.sh" capture

mkdir -p "$WORK/shots"
convert -size 200x200 xc:red xc:lime +append \( -size 200x200 xc:blue xc:yellow +append \) -append \
    BMP3:"$WORK/quad.bmp"
wine reg delete "$KEY" /f >/dev/null 2>&1 || true
wine reg add "$KEY" /v START_MODE /t REG_DWORD /d 1 /f >/dev/null 2>&1
wine reg add "$KEY" /v START_FOLDER /t REG_SZ /d "$(winepath -w "$WORK")\\" /f >/dev/null 2>&1
wine reg add "$KEY" /v START_FILENAME /t REG_SZ /d quad.bmp /f >/dev/null 2>&1
wine reg add "$KEY" /v SCREENCAPTURE_SAVE_FOLDER /t REG_SZ /d "$(winepath -w "$WORK/shots")" /f >/dev/null 2>&1

cd "$WORK"
wine "$VIEWER" &
VIEWER_PID=$!
wait_for_window "quad - Ombrix Viewer" 30 >/dev/null || fail "the viewer did not start"
sleep 1.5

# File > Screen Capture (its mnemonic is S).
xdotool mousemove 15 306 click 1 sleep 0.8 key s
CAP=
for _ in $(seq 50); do
    CAP=$(xdotool search --onlyvisible --name '^Screen Cap$' 2>/dev/null | head -n1 || true)
    [ -n "$CAP" ] && break
    sleep 0.1
done
[ -n "$CAP" ] || { import -window root "$SHOTS/menu.png"; fail "no Screen Cap window"; }
sleep 0.5
import -window root "$SHOTS/capture-window.png"
eval "$(xdotool getwindowgeometry --shell "$CAP")"

# "Capture" is the default button across the bottom of the window.
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT - 10)) click 1
# A loaded machine can take seconds between the tap and the grab.
for _ in $(seq 200); do
    [ -f "$WORK/shots/om00000.bmp" ] && break
    sleep 0.1
done
[ -f "$WORK/shots/om00000.bmp" ] || fail "no om00000.bmp in the capture folder"
sleep 0.3
import -window root "$SHOTS/screen.png"

SIZE=$(stat -c %s "$WORK/shots/om00000.bmp")
[ "$SIZE" -eq 230454 ] || fail "capture is $SIZE bytes, not 54 + 720 x 320"
convert "$WORK/shots/om00000.bmp" "$SHOTS/captured.png"

# The screen's 5-6-5 colours read back slightly differently through GDI and
# through X; anything beyond that small difference counts.
# The top bar follows the foreground window (the notice has no title), so it
# is left out.
for band in "240x74+0+26" "240x90+0+230"; do
    convert "$SHOTS/captured.png" -crop "$band" +repage "$WORK/a.png"
    convert "$SHOTS/screen.png" -crop "$band" +repage "$WORK/b.png"
    DIFF=$(compare -metric AE -fuzz 5% "$WORK/a.png" "$WORK/b.png" null: 2>&1 || true)
    [ "$DIFF" = "0" ] || fail "captured band $band differs from the screen in $DIFF pixels"
done

# The capture window comes back for the next shot.
for _ in $(seq 200); do
    xdotool search --onlyvisible --name '^Screen Cap$' >/dev/null 2>&1 && break
    sleep 0.1
done
xdotool search --onlyvisible --name '^Screen Cap$' >/dev/null 2>&1 || fail "the capture window did not come back"

# Ctrl+Q ends the program also while the capture window has the focus.
e2e_quit 120 60
rm -rf "$SHOTS"
echo "capture: File > Screen Capture > Capture wrote om00000.bmp with the screen's pixels"
