# shellcheck shell=bash
# Shared by the end-to-end scripts: screenshots, a work folder, the settings
# key, starting and ending the viewer, and screenshot pixel tests.
# Sourced with the test's name as its argument (sourced without one, the
# caller's own arguments would pass through as the name).

KEY='HKCU\Software\Ombrix\Ombrix Viewer'
: "${OMBRIX_PYTHON:?not set: ctest passes the Python that the build found}"

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
# e2e_done <message>: a passing run drops its shots (unless OMBRIX_KEEP_SHOTS).
e2e_done() { [ -n "${OMBRIX_KEEP_SHOTS:-}" ] || rm -rf "$SHOTS"; echo "$1"; }

reg_reset() { wine reg delete "$KEY" /f >/dev/null 2>&1 || true; }
reg_set() { wine reg add "$KEY" /v "$1" /t "$2" /d "$3" /f >/dev/null 2>&1; }
reg_value() { wine reg query "$KEY" /v "$1" 2>/dev/null | tr -d '\r' | awk -v n="$1" '$1 == n { print $3 }'; }
# reg_start_on <file>: start in the viewer on that file of WORK.
reg_start_on() {
    reg_set START_MODE REG_DWORD 1
    reg_set START_FOLDER REG_SZ "$(winepath -w "$WORK")\\"
    reg_set START_FILENAME REG_SZ "$1"
}
# A folder as the tree names it: its root "\" is the current drive's.
tree_path() { echo "$1" | tr / '\\'; }

# start_viewer <title>: VIEWER started in WORK; fails unless the title shows.
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
wait_title() { wait_until 5 has_title "$1"; }

# shot <name> [seconds to wait first, 1.2 by default]
shot() { sleep "${2:-1.2}"; import -window root "$SHOTS/$1.png"; }
# rgb <shot> <x> <y>: "r g b" of one pixel.
rgb() {
    convert "$SHOTS/$1.png" -crop "1x1+$2+$3" +repage -depth 8 txt:- | tr -d '\r' |
        awk -F'[(),]+' '/^0,0/ { print $3, $4, $5 }'
}

# folder_icon_y <shot>: y in the tree of the first yellow folder icon below
# the open start folder (the tree's top at screen y 26).
folder_icon_y() {
    convert "$SHOTS/$1.png" -crop 1x112+79+26 +repage -depth 8 txt:- | tr -d '\r' |
        awk -F'[(),:]+' '/^0,/ && $4 > 200 && $5 > 200 && $6 < 60 && y == "" { y = $2 } END { print y }'
}

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

# cover_edges <shots> <seconds apart>: a "Cover Left" from red to green seen
# in quick shots; EDGES holds the red part of row 150, which must shrink.
cover_edges() {
    local i r
    for i in $(seq -w 1 "$1"); do shot "cover$i" "$2"; done
    EDGES=()
    for i in $(seq -w 1 "$1"); do
        r=$(classes "cover$i" row 150)
        if [[ "$r" =~ ^(R+)G+$ ]]; then EDGES+=("${#BASH_REMATCH[1]}"); fi
    done
    [ "${#EDGES[@]}" -ge 2 ] || fail "fewer than two shots caught the cover half way (${EDGES[*]:-none})"
    for ((i = 1; i < ${#EDGES[@]}; i++)); do
        [ "${EDGES[i]}" -le "${EDGES[i - 1]}" ] || fail "the band went back: ${EDGES[*]}"
    done
    [ "${EDGES[-1]}" -lt "${EDGES[0]}" ] || fail "the band did not move: ${EDGES[*]}"
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

if [ -n "${1:-}" ]; then
    . "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib.sh"
    e2e_begin "$1"
fi
