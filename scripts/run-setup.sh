#!/usr/bin/env bash
# Starts the setup under Wine on your X display, inside a Wine virtual desktop (a window of
# its own with Wine-drawn frames), in a Wine prefix kept for these runs. What the setup
# installs stays in that prefix: run again to see it propose the folders it stored, or pass
# --fresh to start from a clean machine.
#
#   scripts/run-setup.sh [--dpi 96|120|144|192] [--desktop 1280x800] [--fresh] [SETUP.exe]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

dpi=96
desktop=1280x800
fresh=0
setup=$top/build/windows/corvale-setup.exe
while [ $# -gt 0 ]; do
    case $1 in
    --dpi) dpi=$2; shift 2 ;;
    --desktop) desktop=$2; shift 2 ;;
    --fresh) fresh=1; shift ;;
    -h | --help) sed -n '2,7p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "run-setup: unknown option $1" >&2; exit 2 ;;
    *) setup=$1; shift ;;
    esac
done

if [ -z "${DISPLAY:-}" ]; then
    echo "run-setup: no X display (DISPLAY is empty); on a headless machine start one, e.g." >&2
    echo "  Xvfb :99 -screen 0 1920x1080x24 & DISPLAY=:99 $0" >&2
    exit 1
fi
if [ ! -f "$setup" ]; then
    echo "run-setup: $setup doesn't exist; build it with scripts/build.sh" >&2
    exit 1
fi
setup=$(cd "$(dirname "$setup")" && pwd)/$(basename "$setup") # Wine wants it absolute

source "$top/scripts/lib/wine.sh"
export WINEPREFIX=${CORVALE_RUN_PREFIX:-$top/build/wine/run-setup}

if [ "$fresh" = 1 ] && [ -d "$WINEPREFIX" ]; then
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the Wine prefix $WINEPREFIX (about 10 s)"
    wine_make_prefix "$WINEPREFIX"
    wine_install_fonts "$WINEPREFIX"
fi
wine_screen "$WINEPREFIX" "$dpi" "$desktop"

echo "Running $setup at $dpi DPI on a $desktop Wine desktop"
set +e
"$WINE" "$setup"
status=$?
set -e
echo "The setup ended with exit code $status. Installed files: $WINEPREFIX/drive_c"
exit $status
