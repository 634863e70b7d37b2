# Shared settings of the scripts; sourced, not run.
OMBRIX_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# Built dependencies live outside the checkout so that clean clones reuse them.
OMBRIX_DEPS="${OMBRIX_DEPS:-/opt/ombrix-deps}"
OMBRIX_BUILD="${OMBRIX_BUILD:-$OMBRIX_ROOT/build}"
export OMBRIX_ROOT OMBRIX_DEPS OMBRIX_BUILD
# Wine: no mono/gecko prompts, no debug output.
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml="
export WINEARCH=win64
