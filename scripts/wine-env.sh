# Sourced by the scripts that run Windows programs: one 32-bit Wine prefix per build tree,
# quiet, on the headless display that scripts/test.sh starts.
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
: "${WINEPREFIX:=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/wine/prefix}"
export WINEPREFIX
