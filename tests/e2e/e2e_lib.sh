# shellcheck shell=bash
# Shared by the end-to-end scripts: a work folder, screenshots, the settings
# key, and starting and ending the viewer. Sourced with the test's name.

KEY='HKCU\Software\Ombrix\Ombrix Viewer'
: "${OMBRIX_PYTHON:?not set: ctest passes the Python that the build found}"

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
# A passing run drops its screenshots unless OMBRIX_KEEP_SHOTS is set.
e2e_done() { [ -n "${OMBRIX_KEEP_SHOTS:-}" ] || rm -rf "$SHOTS"; echo "$1"; }

reg_reset() { wine reg delete "$KEY" /f >/dev/null 2>&1 || true; }
reg_set() { wine reg add "$KEY" /v "$1" /t "$2" /d "$3" /f >/dev/null 2>&1; }
reg_value() { wine reg query "$KEY" /v "$1" 2>/dev/null | tr -d '\r' | awk -v n="$1" '$1 == n { print $3 }'; }
# A folder of WORK as the tree names it: its root "\" is the current drive's.
tree_path() { echo "$1" | tr / '\\'; }

# start_viewer <title>: the viewer started in WORK; fails unless the title shows.
start_viewer() {
    cd "$WORK" || fail "no work folder"
    wine "$VIEWER" &
    VIEWER_PID=$!
    wait_for_window "$1" 30 >/dev/null || fail "no window titled '$1'"
}
# wait_until <seconds> <command...>: true as soon as the command is.
wait_until() {
    local i n=$(($1 * 10))
    shift
    for i in $(seq "$n"); do "$@" && return 0; sleep 0.1; done
    return 1
}
has_title() { xdotool search --name "^$1\$" >/dev/null 2>&1; }

# shot <name> [seconds to wait first, 1.2 by default]
shot() { sleep "${2:-1.2}"; import -window root "$SHOTS/$1.png"; }
# until_shot <seconds> <name> <check...>: screenshots <name> until
# "<check...> <name>" holds; false when the time runs out first.
until_shot() {
    local i n=$(($1 * 4)) name="$2"
    shift 2
    for i in $(seq "$n"); do shot "$name" 0.25; "$@" "$name" && return 0; done
    return 1
}
# Colour class of every pixel of row y (or column x with "col"), one letter
# each: R red, G green, B blue, W white, . anything else.
classes() {
    local crop
    if [ "$2" = row ]; then crop="240x1+0+$3"; else crop="1x320+$3+0"; fi
    convert "$SHOTS/$1.png" -crop "$crop" +repage -depth 8 txt:- | tr -d '\r' | awk -F'[(),]+' '
        /^[0-9]/ {
            r = $3; g = $4; b = $5; c = "."
            if (r > 200 && g < 60 && b < 60) c = "R"
            else if (r < 60 && g > 200 && b < 60) c = "G"
            else if (r < 60 && g < 60 && b > 200) c = "B"
            else if (r > 200 && g > 200 && b > 200) c = "W"
            printf "%s", c
        } END { print "" }'
}

# e2e_quit <x> <y>: Ctrl+Q with the pointer at (x, y); the viewer must end
# with exit code 0.
e2e_quit() {
    local rc=0
    xdotool mousemove "$1" "$2" key ctrl+q
    wait_for_exit "$VIEWER_PID" 20 || fail "Ctrl+Q did not end the viewer"
    wait "$VIEWER_PID" || rc=$?
    VIEWER_PID=
    [ "$rc" -eq 0 ] || fail "exit code $rc"
}

. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib.sh"
e2e_begin "$1"
