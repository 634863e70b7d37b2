#!/bin/bash
# Faults of the machine under the real viewer.exe, one group a run: full_disk
# (cache and capture folder on 64 KiB tmpfs disks), kill (signal 9 while the
# cache is written), read_only (pictures and cache on a read-only mount),
# vanishing (pictures and folders changed from outside while in use). After
# each fault the viewer answers, no user file is lost, changed or left partial,
# and every thumbnail shown or cached is its picture's. Each kind ends with its figures.
# Usage: fault_suite.sh <viewer.exe> <fault_probe.exe> <group>
set -euo pipefail
VIEWER="$1" PROBE="$2" GROUP="$3"
. "$(dirname "$0")/../e2e/e2e_lib.sh" "faults_$GROUP"
PY_HELPER="$(cd "$(dirname "$0")" && pwd)/fault_pictures.py"

# within <seconds> <command...>: true as soon as the command is, before the deadline.
within() {
    local end=$((SECONDS + $1))
    shift && until "$@"; do [ "$SECONDS" -lt "$end" ] || return 1; sleep 0.1; done
}
# shot_within <seconds> <name> <check...>: screenshots until "<check...> <name>" holds.
shot_within() {
    local end=$((SECONDS + $1)) name="$2"
    shift 2 && until shot "$name" 0.2 && "$@" "$name"; do [ "$SECONDS" -lt "$end" ] || return 1; done
}
py() { "$OMBRIX_PYTHON" "$PY_HELPER" "$@"; }
probe() { wine "$PROBE" "$@" 2>/dev/null | tr -d '\r'; }
answers() { probe ping || fail "$GROUP: the viewer did not answer after: $1"; }

# Our viewer only: the viewer.exe processes of this Wine prefix.
viewer_pids() {
    local p
    for p in /proc/[0-9]*; do
        grep -qzx "WINEPREFIX=$WINEPREFIX" "$p/environ" 2>/dev/null &&
            head -zn1 "$p/cmdline" 2>/dev/null | grep -qz 'viewer\.exe$' && echo "${p#/proc/}"
    done
    return 0
}
no_viewer() { [ -z "$(viewer_pids)" ]; }
# Signal 9 to the processes given (found at the start, to strike at once) or found now.
kill_viewer() {
    local pids="${1:-$(viewer_pids)}"
    [ -z "$pids" ] || kill -9 $pids
    within 20 no_viewer || fail "the viewer outlived signal 9"
    wait "$VIEWER_PID" 2>/dev/null || :; VIEWER_PID=
}
quit_viewer() {
    probe post 1
    wait_for_exit "$VIEWER_PID" 30 || fail "$GROUP: the viewer did not end"
    wait "$VIEWER_PID" || fail "$GROUP: exit code $?"
    VIEWER_PID=
}
# Every mount of the run goes, even after a failure.
finish() {
    local m pids
    pids=$(viewer_pids)
    [ -z "$pids" ] || { kill -9 $pids; within 20 no_viewer || echo "the viewer outlived signal 9" >&2; }
    for m in $(awk -v w="$WORK/" 'index($2, w) == 1 { print $2 }' /proc/mounts | sort -r); do
        umount "$m" || umount -l "$m" || echo "could not unmount $m" >&2
    done
    e2e_finish
}
trap finish EXIT
tmpfs_at() {
    mkdir -p "$1" && mount -t tmpfs -o "size=$2" tmpfs "$1" ||
        fail "a tmpfs of $2 could not be mounted at $1 (the suite must run as root)"
}

# The user's files, outside the cache: checksums taken after each change the
# test makes itself, compared after each fault.
sums() { find "${USER_DIRS[@]}" -path "$CACHE" -prune -o -type f -print0 | xargs -0r md5sum | LC_ALL=C sort; }
snapshot() { sums >"$WORK/sums"; }
# outside <command...>: a change made from outside while the viewer runs.
outside() { "$@" && snapshot && answers "$*"; }
LOST=0 PARTIAL=0 RUNS=0 SURVIVED=0 RIGHT=0 WRONG=0
check_files() {
    sums >"$WORK/sums.now"
    LOST=$((LOST + $(LC_ALL=C comm -23 "$WORK/sums" "$WORK/sums.now" | wc -l)))
    PARTIAL=$((PARTIAL + $(LC_ALL=C comm -13 "$WORK/sums" "$WORK/sums.now" | wc -l)))
    [ "$LOST$PARTIAL" = 00 ] || fail "$GROUP: user files lost, changed or added: $(diff "$WORK/sums" "$WORK/sums.now")"
}
report() {
    echo "$1: runs $RUNS survived $SURVIVED thumbnails right $RIGHT wrong $WRONG files lost $LOST partial files $PARTIAL"
    RUNS=0 SURVIVED=0 RIGHT=0 WRONG=0 LOST=0 PARTIAL=0
}
# survived <what>: the viewer ends by itself, every user file is whole, and the figures of one run.
survived() { quit_viewer; check_files; SURVIVED=1; report "$1"; }

# prepare <pictures> [<start file>]: the pictures made, an empty cache, the settings.
prepare() {
    py make "$PICS" "$1" ${LOOK:-}
    mkdir -p "$CACHE"
    settings "$PICS" "${2:-}"
    snapshot
}
settings() { # <pictures> [<start file>]
    reg_reset
    reg_set START_FOLDER REG_SZ "$(tree_path "$1")\\"
    reg_set THUMBNAIL_FOLDER REG_SZ "$(tree_path "$CACHE")"
    reg_set SCREENCAPTURE_SAVE_FOLDER REG_SZ "$(tree_path "$WORK/caps")"
    [ -z "${2:-}" ] || { reg_set START_MODE REG_DWORD 1 && reg_set START_FILENAME REG_SZ "$2"; }
}
pvx_count() { find "$CACHE" -name 'pvx*' | wc -l; }
pvx_at_least() { [ "$(pvx_count)" -ge "$1" ]; }
index_records_at_least() { [ "$(stat -c %s "$CACHE/index.tmb" 2>/dev/null || echo 0)" -ge $((($1 + 1) * 548)) ]; }
cache_figures() { py cache "$CACHE" "$PICS" "$(tree_path "$PICS")\\"; }
read_state() { read -r _ ROWS _ GX GY _ GH _ GS <<<"$(probe state)"; }
# The grid's cells on screen, each its picture's colour.
grid_right() {
    local wrong
    read_state
    read -r _ GRID_RIGHT _ wrong <<<"$(py grid "$SHOTS/$1.png" "$PICS" "$GX" "$GY" "$GH" "$GS")"
    [ "$wrong" = 0 ] && [ "$GRID_RIGHT" -gt 0 ]
}
show_grid() {
    probe cmd 40082
    shot_within 60 "grid-$1" grid_right || fail "$GROUP: the grid shows a wrong thumbnail ($1)"
}
# colour_is <k> <shot>: the middle of the screen shows colour k of the picture maker.
colour_is() { py centre-is "$SHOTS/$2.png" "$1"; }
# step <command> <picture> [<colour>]: the viewer shows the picture in its colour.
step() {
    probe cmd "$1"
    within 10 has_title "$2 - Ombrix Viewer" || fail "$GROUP: command $1 did not show $2"
    shot_within 10 "$2" colour_is "${3:-${2#p}}" || fail "$GROUP: $2 does not show in its colour"
}
no_box() { [ -z "$(probe boxes)" ] || fail "$GROUP: a box showed ($1): $(probe boxes)"; }
# answer_box <caption> <text>: that box shows (where it fits is the box-fit test's); its OK pressed.
answer_box() {
    within 10 bash -c "wine '$PROBE' boxes 2>/dev/null | tr -s ' ' | grep -q '^$1.*$2'" ||
        fail "$GROUP: no '$1' box saying '$2'"
    probe box "$1" 1 >/dev/null
}

# Start, make every thumbnail into the cache, end, and count: the cache and
# the grid must then hold the right thumbnail of every picture, and nothing partial.
recover() {
    local right wrong missing partial records
    read -r _ _ _ _ _ missing _ _ _ records <<<"$(cache_figures)"
    reg_set START_MODE REG_DWORD 0
    start_viewer "Ombrix Viewer"
    show_grid "$1"
    within 120 index_records_at_least $((records + missing - 1)) || fail "$GROUP: the cache was not made again ($1)"
    answers "$1"
    quit_viewer
    read -r _ right _ wrong _ missing _ partial _ <<<"$(cache_figures)"
    RIGHT=$((RIGHT + right)) WRONG=$((WRONG + wrong)) PARTIAL=$((PARTIAL + partial))
    [ "$wrong$missing$partial" = 000 ] || fail "$GROUP ($1): cache after recovery: $(cache_figures)"
    check_files
    SURVIVED=$((SURVIVED + 1))
}

full_disk() {
    PICS="$WORK/pics" CACHE="$WORK/disk/thumbs" USER_DIRS=("$WORK/pics" "$WORK/disk" "$WORK/caps") RUNS=1
    tmpfs_at "$WORK/disk" 64k
    tmpfs_at "$WORK/caps" 64k
    # A file of the user's leaves room for a few thumbnails: the disk fills
    # while the grid's first screen is made.
    head -c 45000 /dev/urandom >"$WORK/disk/ballast.bin"
    echo "a note of the user's" >"$WORK/caps/note.txt"
    prepare 30
    start_viewer "Ombrix Viewer"
    show_grid full
    [ "$(df --output=avail "$CACHE" | tail -n1)" -le 4 ] || fail "the cache's disk never filled ($(pvx_count) thumbnails)"
    echo "the cache's disk filled at $(pvx_count) thumbnails"
    answers "the cache's disk filled"
    no_box "cache on a full disk"
    quit_viewer
    [ "$(cache_figures | cut -d' ' -f8)" = 0 ] || fail "partial thumbnail files on the full disk"
    mount -o remount,size=1m "$WORK/disk"
    recover full-disk
    report "full cache disk"

    # A capture of 225 KiB into 64 KiB says so and leaves nothing behind.
    RUNS=1
    start_viewer "Ombrix Viewer"
    probe post 40118
    probe box "Screen Cap" 1 >/dev/null || fail "no capture window"
    answer_box "Screen Capture" "could not be saved"
    answers "a capture onto a full disk"
    survived "full capture disk"
}

kill_runs() {
    local n=150 pct at pids
    PICS="$WORK/pics" CACHE="$WORK/thumbs" USER_DIRS=("$WORK/pics")
    # Grainy pictures, slower to make thumbnails of, so that a kill lands mid-way.
    LOOK="800 12" prepare $n
    for pct in 15 45 75; do
        rm -f "$CACHE"/*
        RUNS=$((RUNS + 1))
        start_viewer "Ombrix Viewer"
        pids=$(viewer_pids)
        probe cmd 40082
        within 120 pvx_at_least $((n * pct / 100)) || fail "the cache did not reach $pct %"
        kill_viewer "$pids"
        at=$(pvx_count)
        [ "$at" -lt "$n" ] || fail "killed only after the cache was done"
        echo "killed at $at of $n thumbnails"
        recover "kill-$pct"
    done
    report "kill while caching"
}

read_only_media() {
    local media="$WORK/media" rows
    PICS="$media/pics" CACHE="$media/thumbs" USER_DIRS=("$media") RUNS=1
    prepare 12
    { mount --bind "$media" "$media" && mount -o remount,bind,ro "$media"; } ||
        fail "$media could not be made read-only (mount refused)"
    start_viewer "Ombrix Viewer"
    show_grid read-only
    no_box "thumbnails on read-only media"
    [ ! -e "$CACHE/index.tmb" ] || fail "a cache on read-only media"
    # The first picture opened by a double tap on its cell, and back.
    xdotool mousemove $((GX + 40)) $((GY + 38)) click --repeat 2 --delay 80 1
    within 10 has_title "p000 - Ombrix Viewer" || fail "the double tap did not open p000"
    shot_within 10 view colour_is 0 || fail "p000 does not show"
    probe cmd 40088
    read_state
    rows=$ROWS
    # Delete of the selected picture says it could not and keeps the file and its row.
    probe post 40081
    answer_box Delete "Remove selected file"
    answer_box Delete "p000.jpg could not be deleted"
    read_state
    [ "$ROWS" = "$rows" ] || fail "Delete took the row of a file it could not delete ($rows -> $ROWS)"
    shot_within 10 after-delete grid_right || fail "the grid is wrong after a failed delete"
    no_box "after the failed delete"
    answers "Delete on read-only media"
    RIGHT=$GRID_RIGHT
    survived "read-only media"
}

vanishing() {
    local gone="$WORK/user/gone"
    PICS="$WORK/user/pics" CACHE="$WORK/thumbs" USER_DIRS=("$WORK/user") RUNS=4
    py make "$gone" 60
    prepare 30 p010.jpg
    start_viewer "p010 - Ombrix Viewer"
    # Shown: the picture goes, Next still steps on. (A neighbour read ahead
    # and then changed is the preload slot's test.)
    outside rm "$PICS/p010.jpg"
    step 40084 p011
    # Listed: one renamed, one removed, one replaced; Refresh lists what is there.
    probe cmd 40088
    outside mv "$PICS/p013.jpg" "$PICS/r013.jpg"
    outside rm "$PICS/p014.jpg"
    outside py paint "$PICS/p015.jpg" 101
    probe cmd 40111
    read_state
    [ "$ROWS" = 28 ] || fail "Refresh lists $ROWS pictures, not 28"
    # Thumbnailed: pictures of the first screen change while the worker is
    # past them; after Refresh the grid shows the new ones.
    probe cmd 40082
    within 60 pvx_at_least 10 || fail "no thumbnails made"
    outside py paint "$PICS/p000.jpg" 102
    outside mv "$PICS/p001.jpg" "$PICS/r001.jpg"
    outside rm "$PICS/p002.jpg"
    probe cmd 40111
    shot_within 30 refreshed grid_right || fail "the grid is wrong after Refresh"
    quit_viewer
    check_files
    SURVIVED=3 # the recovery ends the fourth
    recover vanishing
    report "pictures changed from outside"

    # A whole folder removed while its thumbnails are made.
    RUNS=1
    rm -f "$CACHE"/*
    settings "$gone"
    start_viewer "Ombrix Viewer"
    probe cmd 40082
    within 60 pvx_at_least 20 || fail "no thumbnails made of the folder"
    outside rm -r "$gone"
    probe cmd 40111
    read_state
    [ "$ROWS" = 0 ] || fail "a removed folder lists $ROWS pictures"
    quit_viewer
    check_files
    [ "$(cache_figures | cut -d' ' -f4,8)" = "0 0" ] || fail "wrong or partial thumbnails: $(cache_figures)"
    SURVIVED=1
    report "folder removed while thumbnailed"
}

case "$GROUP" in
full_disk) full_disk ;;
kill) kill_runs ;;
read_only) read_only_media ;;
vanishing) vanishing ;;
*) fail "no group $GROUP" ;;
esac
e2e_done "faults $GROUP: survived"
