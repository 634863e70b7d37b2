#!/bin/bash
# setup.exe against a fake application manager registered in the test prefix
# at a path with spaces: the two command lines, their order, their quoting and
# the current directory; the "Error" box when the manager is not registered or
# cannot start. The App Paths key is restored at the end.
# Usage: launch_test.sh <setup.exe> <fake_app_manager.exe> <message_box_probe.exe>
set -euo pipefail
SETUP="$1"
FAKE="$2"
PROBE="$3"
. "$(dirname "$0")/../../scripts/lib.sh"

KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\CEAPPMGR.EXE'
WORK=$(mktemp -d)
SAVED=
SETUP_PID=

fail() { echo "FAIL: $*"; exit 1; }

restore() {
    [ -n "$SETUP_PID" ] && kill "$SETUP_PID" 2>/dev/null || true
    wine reg delete "$KEY" /f >/dev/null 2>&1 || true
    if [ -n "$SAVED" ]; then
        wine reg import "$(winepath -w "$WORK/saved.reg")" >/dev/null 2>&1 \
            || echo "could not restore $KEY" >&2
    fi
    rm -rf "$WORK"
}
trap restore EXIT

if wine reg query "$KEY" >/dev/null 2>&1; then
    wine reg export "$KEY" "$(winepath -w "$WORK/saved.reg")" /y >/dev/null 2>&1
    SAVED=1
fi

# Registers $1 as the manager's path, as a REG_SZ value or of type $2.
register() {
    wine reg add "$KEY" /ve /t "${2:-REG_SZ}" /d "$1" /f >/dev/null 2>&1 \
        || fail "could not register $1"
}

# The manager lives in a folder with a space; "App.exe" is the program an
# unquoted command line would start instead.
mkdir -p "$WORK/App Manager" "$WORK/elsewhere" "$WORK/plain" "$WORK/Dist Folder"
cp "$FAKE" "$WORK/App Manager/CEAPPMGR.EXE"
cp "$FAKE" "$WORK/App.exe"
MANAGER=$(winepath -w "$WORK/App Manager/CEAPPMGR.EXE")
LOG="$WORK/manager.log"
export OMBRIX_FAKE_MANAGER_LOG
OMBRIX_FAKE_MANAGER_LOG=$(winepath -w "$LOG")

lower() { printf '%s' "$1" | tr '[:upper:]' '[:lower:]'; }

# Waits until the log holds $1 lines; prints them ordered by process creation.
manager_lines() {
    local want="$1" have i
    for i in $(seq 100); do
        have=0
        [ -f "$LOG" ] && have=$(wc -l < "$LOG")
        [ "$have" -ge "$want" ] && break
        sleep 0.1
    done
    sleep 0.3 # a late, unexpected third start would show up here
    [ -f "$LOG" ] && sort "$LOG" | tr -d '\r'
    return 0
}

# Checks one log line: the program that ran, its folder and its command line.
check_line() {
    local line="$1" folder="$2" command="$3" module cwd cmd
    IFS=$'\t' read -r _ module cwd cmd <<< "$line"
    [ "$(lower "$module")" = "$(lower "$MANAGER")" ] || fail "started '$module', not the manager"
    [ "$(lower "${cwd%\\}")" = "$(lower "${folder%\\}")" ] \
        || fail "current directory '$cwd', not '$folder'"
    [ "$cmd" = "$command" ] || fail "command line [$cmd], expected [$command]"
}

# Both commands, in order, from a setup.exe in $1 launched from another folder.
launch_from() {
    local dir="$WORK/$1" folder lines first second
    cp "$SETUP" "$dir/setup.exe"
    folder=$(winepath -w "$dir")
    rm -f "$LOG"
    (cd "$WORK/elsewhere" && wine "$dir/setup.exe") || fail "setup.exe in '$1' failed"
    lines=$(manager_lines 2)
    [ "$(printf '%s\n' "$lines" | grep -c .)" -eq 2 ] || fail "expected 2 starts, got: $lines"
    first=$(printf '%s\n' "$lines" | sed -n 1p)
    second=$(printf '%s\n' "$lines" | sed -n 2p)
    check_line "$first" "$folder" "\"$MANAGER\" /register \"${folder%\\}\\Ombrix Viewer.ini\""
    check_line "$second" "$folder" "\"$MANAGER\" \"${folder%\\}\\Ombrix Viewer.ini\""
    echo "ok: setup.exe in '$1' started the manager twice, in order, quoted, from its folder"
}

# Runs setup.exe, which must show the "Error" box; the probe checks and closes
# it. $1 names a file for setup's Wine trace of the processes it starts.
expect_error_box() {
    local trace="$1"
    cp "$SETUP" "$WORK/plain/setup.exe"
    rm -f "$LOG"
    (cd "$WORK/elsewhere" && WINEDEBUG=trace+process exec wine "$WORK/plain/setup.exe") \
        2> "$trace" &
    SETUP_PID=$!
    local box warning
    box=$(wait_for_window Error 30) || fail "no \"Error\" box"
    # The exclamation icon is the orange warning triangle; the error and
    # information icons are red and blue.
    sleep 0.3
    import -window "$box" "$WORK/box.png"
    warning=$(convert "$WORK/box.png" -fx '(r>0.7 && g>0.3 && g<0.75 && b<0.3) ? 1 : 0' \
        -format '%[fx:int(mean*w*h+0.5)]' info:)
    [ "$warning" -ge 100 ] || fail "the box shows no exclamation icon ($warning warning pixels)"
    wine "$PROBE" Error 30 | tr -d '\r' || fail "the \"Error\" box is not as expected"
    wait_for_exit "$SETUP_PID" 10 || fail "setup.exe still running after the box closed"
    wait "$SETUP_PID" || true
    SETUP_PID=
    [ "$(manager_lines 0)" = "" ] || fail "the manager ran: $(cat "$LOG")"
}

# Registered at a path with spaces.
register "$MANAGER"
launch_from plain
launch_from "Dist Folder"

# Some installers register the path quoted, with environment variables.
export OMBRIX_TEST_MANAGER_DIR
OMBRIX_TEST_MANAGER_DIR=$(winepath -w "$WORK/App Manager")
register '"%OMBRIX_TEST_MANAGER_DIR%\CEAPPMGR.EXE"' REG_EXPAND_SZ
launch_from plain

# Not registered: the box, and no process started.
wine reg delete "$KEY" /f >/dev/null 2>&1
expect_error_box "$WORK/trace-none.txt"
STARTS=$(grep -c 'CreateProcessInternalW' "$WORK/trace-none.txt" || true)
[ "$STARTS" -eq 0 ] || fail "$STARTS process starts without a registered manager"
echo "ok: no registration shows the Error box and starts nothing"

# Registered, but nothing is there: the first start fails, the second is not tried.
register "$(winepath -w "$WORK/Gone Manager")\\CEAPPMGR.EXE"
expect_error_box "$WORK/trace-gone.txt"
ATTEMPTS=$(grep 'CreateProcessInternalW' "$WORK/trace-gone.txt" | grep -c 'CEAPPMGR' || true)
[ "$ATTEMPTS" -eq 1 ] || fail "$ATTEMPTS manager starts tried, expected only the first"
grep 'CreateProcessInternalW' "$WORK/trace-gone.txt" | grep 'CEAPPMGR' | grep -q '/register' \
    || fail "the attempted start was not the /register one"
echo "ok: a manager that cannot start shows the Error box and the second start is not tried"
