# Sourced by the scripts that run Windows programs: one Wine prefix per build tree, quiet, on
# the headless display that scripts/test.sh starts.
#
# CORVALE_WINE_ARCH=win64 makes 64-bit prefixes and runs programs with Wine's 64-bit loader:
# for the 64-bit test build of the Windows side, on a machine that can't execute 32-bit x86
# code (scripts/can-run-wine32.sh). Wine's launcher scripts (wine, wineboot) would pick the
# 32-bit loader whenever it is installed, so programs are started through $WINE.
export WINEARCH=${CORVALE_WINE_ARCH:-win32}
if [ "$WINEARCH" = win64 ]; then
  export WINELOADER=/usr/lib/wine/wine64
  WINE=$WINELOADER
else
  WINE=wine
fi
export WINEDEBUG=-all
# winemenubuilder would copy the shortcuts the tests create into the Linux menus.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
: "${WINEPREFIX:=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/wine/prefix}"
export WINEPREFIX
