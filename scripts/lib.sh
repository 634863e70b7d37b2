# Helpers for the Wine and X display set-up of the scripts; sourced, not run.

# Starts Xvfb at 240x320x16 on the first free display. Sets XVFB_PID and DISPLAY.
start_xvfb() {
    local n i
    for n in $(seq 90 199); do
        [ -e "/tmp/.X$n-lock" ] && continue
        [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 240x320x16 -nolisten tcp -noreset >/dev/null 2>&1 &
        XVFB_PID=$!
        for i in $(seq 100); do
            if xdpyinfo -display ":$n" >/dev/null 2>&1; then
                # Another script may have taken the display first: then our
                # server has exited and the answer came from theirs.
                sleep 0.2
                kill -0 "$XVFB_PID" 2>/dev/null || break
                export DISPLAY=":$n"
                return 0
            fi
            kill -0 "$XVFB_PID" 2>/dev/null || break
            sleep 0.1
        done
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
    done
    echo "no free X display" >&2
    return 1
}

stop_xvfb() {
    if [ -n "${XVFB_PID:-}" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=
    fi
}

# Makes the Wine prefix $1 once (wineboot takes 10-20 s) and selects it.
# Windows are left unmanaged: with no window manager on the display, Wine
# otherwise waits 2 s for one at every top-level hide or destroy.
ensure_wine_prefix() {
    export WINEPREFIX="$1"
    if [ ! -f "$WINEPREFIX/.ombrix-configured" ]; then
        mkdir -p "$WINEPREFIX"
        wineboot -i >/dev/null 2>&1 || true
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
        wineserver -w
        touch "$WINEPREFIX/.ombrix-configured"
    fi
}

# A persistent wineserver makes each Wine process start in ~0.1 s. The first
# Wine process also starts the prefix's services and desktop, which inherit
# its output: start them here on /dev/null, or they would hold ctest's pipes
# open until its timeout.
start_wineserver() {
    wineserver -p >/dev/null 2>&1 || true
    wine cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
}

stop_wineserver() {
    if [ -n "${WINEPREFIX:-}" ]; then
        wineserver -k >/dev/null 2>&1 || true
    fi
}

# Waits up to $2 seconds for a window named exactly $1; prints its X id.
wait_for_window() {
    local name="$1" limit="${2:-30}" i id
    for i in $(seq $((limit * 10))); do
        id=$(xdotool search --name "^${name}\$" 2>/dev/null | head -n1 || true)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# Waits up to $2 seconds for process $1 to end; fails if it is still running.
wait_for_exit() {
    local pid="$1" limit="${2:-20}" i
    for i in $(seq $((limit * 10))); do
        kill -0 "$pid" 2>/dev/null || return 0
        sleep 0.1
    done
    return 1
}

# The emulated device: its storage folder is drive D:, holding "\My Documents",
# "\Thumbnails" and the program as the installer lays it out, with the options
# sheet's sample picture beside it, where the sheet looks for it.
# install_on_device <storage> <viewer.exe>: sets VIEWER to the installed copy.
install_on_device() {
    local installed="$1/Program Files/Ombrix Viewer"
    mkdir -p "$installed" "$1/Thumbnails"
    cp "$2" "$(dirname "$2")/initial_data0.pvx" "$installed/"
    VIEWER="$installed/viewer.exe"
}

# start_device <storage> <prefix>: the prefix selected, its drive D: the
# storage, its wineserver running. The viewer starts in the storage's root, so
# that "\My Documents\" names D:\My Documents\.
start_device() {
    ensure_wine_prefix "$2"
    ln -sfn "$1" "$WINEPREFIX/dosdevices/d:"
    start_wineserver
}

# The demo's settings: the browser at "\My Documents", the cache and the
# captures on the device.
set_demo_settings() {
    local key='HKCU\Software\Ombrix\Ombrix Viewer'
    wine reg add "$key" /v THUMBNAIL_FOLDER /t REG_SZ /d '\Thumbnails' /f >/dev/null 2>&1
    wine reg add "$key" /v START_MODE /t REG_DWORD /d 0 /f >/dev/null 2>&1
    wine reg add "$key" /v START_FOLDER /t REG_SZ /d '\My Documents\' /f >/dev/null 2>&1
    wine reg add "$key" /v START_FILENAME /t REG_SZ /d 'Sunset over the sea.jpg' /f >/dev/null 2>&1
    wine reg add "$key" /v SCREENCAPTURE_SAVE_FOLDER /t REG_SZ /d '\My Documents' /f >/dev/null 2>&1
}
