# Shared by the end-to-end scripts: the screenshot folder, a work folder,
# cleanup of the viewer, and the colour classes of screenshot pixels.
# Sourced with the test's name as its argument: it sources scripts/lib.sh
# and calls e2e_begin with the name. (Sourced without one, the caller's own
# arguments would pass through as the name.)

KEY='HKCU\Software\Ombrix\Ombrix Viewer'

# e2e_begin <name>: SHOTS (kept when the run fails), WORK (removed) and the
# viewer's process id in VIEWER_PID, killed at exit.
e2e_begin() {
    SHOTS="$PWD/e2e-shots/$1"
    rm -rf "$SHOTS" && mkdir -p "$SHOTS"
    WORK=$(mktemp -d)
    VIEWER_PID=
    trap e2e_finish EXIT
}
e2e_finish() {
    [ -n "$VIEWER_PID" ] && kill "$VIEWER_PID" 2>/dev/null || true
    rm -rf "$WORK"
}
fail() { echo "FAIL: $*  (screenshots: $SHOTS)"; exit 1; }

# shot <name> [seconds to wait first, 1.2 by default]
shot() { sleep "${2:-1.2}"; import -window root "$SHOTS/$1.png"; }

# Colour class of every pixel of row y (or column x with "col"), one letter
# each: R red, G green, B blue, Y yellow, W white, . anything else.
classes() {
    local file="$1" how="$2" at="$3" crop
    if [ "$how" = row ]; then crop="240x1+0+$at"; else crop="1x320+$at+0"; fi
    convert "$SHOTS/$file.png" -crop "$crop" +repage -depth 8 txt:- | tr -d '\r' | awk -F'[(),]+' '
        /^[0-9]/ {
            r = $3; g = $4; b = $5; c = "."
            if (r > 200 && g < 60 && b < 60) c = "R"
            else if (r < 60 && g > 200 && b < 60) c = "G"
            else if (r < 60 && g < 60 && b > 200) c = "B"
            else if (r > 200 && g > 200 && b < 60) c = "Y"
            else if (r > 200 && g > 200 && b > 200) c = "W"
            printf "%s", c
        } END { print "" }'
}

# e2e_quit <x> <y>: Ctrl+Q with the pointer at (x, y); the viewer must end
# with exit code 0.
e2e_quit() {
    local rc=0
    xdotool mousemove "$1" "$2" key ctrl+q
    for _ in $(seq 100); do kill -0 "$VIEWER_PID" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$VIEWER_PID" 2>/dev/null && fail "Ctrl+Q did not end the viewer"
    wait "$VIEWER_PID" || rc=$?
    VIEWER_PID=
    [ "$rc" -eq 0 ] || fail "exit code $rc"
}

if [ -n "${1:-}" ]; then
    . "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib.sh"
    e2e_begin "$1"
fi
