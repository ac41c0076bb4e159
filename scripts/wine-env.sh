# Sourced by the scripts that run Windows programs: one 32-bit Wine prefix per build tree,
# quiet, on the headless display that scripts/test.sh starts.
export WINEARCH=win32
export WINEDEBUG=-all
# winemenubuilder would copy the shortcuts the tests create into the Linux menus.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
: "${WINEPREFIX:=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/wine/prefix}"
export WINEPREFIX
