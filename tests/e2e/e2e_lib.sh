# Set-up shared by the end-to-end scripts; sourced with the test's name:
#   . e2e_lib.sh <name>
# Gives SHOTS (screenshots, kept when the test fails), WORK (a scratch folder
# removed at exit), VIEWER_PID (killed at exit when still set), KEY (the
# settings key), fail and shot.
. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib.sh"

SHOTS="$PWD/e2e-shots/$1"
rm -rf "$SHOTS" && mkdir -p "$SHOTS"
WORK=$(mktemp -d)
VIEWER_PID=
KEY='HKCU\Software\Ombrix\Ombrix Viewer'
finish() {
    [ -n "$VIEWER_PID" ] && kill "$VIEWER_PID" 2>/dev/null || true
    rm -rf "$WORK"
}
trap finish EXIT
fail() { echo "FAIL: $*  (screenshots: $SHOTS)"; exit 1; }

shot() { sleep "${2:-1.2}"; import -window root "$SHOTS/$1.png"; }
