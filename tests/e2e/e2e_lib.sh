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
# A folder of WORK as the tree names it: its root "\" is the current drive's.
tree_path() { echo "$1" | tr / '\\'; }

# start_viewer <title>: the viewer started in WORK; fails unless the title shows.
start_viewer() {
    cd "$WORK" || fail "no work folder"
    wine "$VIEWER" &
    VIEWER_PID=$!
    wait_for_window "$1" 30 >/dev/null || fail "no window titled '$1'"
}
has_title() { xdotool search --name "^$1\$" >/dev/null 2>&1; }

# shot <name> [seconds to wait first, 1.2 by default]
shot() { sleep "${2:-1.2}"; import -window root "$SHOTS/$1.png"; }

. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib.sh"
e2e_begin "$1"
