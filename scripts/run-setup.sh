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

export WINEPREFIX=${CORVALE_RUN_PREFIX:-$top/build/wine/run-setup}
source "$top/scripts/wine-env.sh"
# No Linux menu entries for the shortcuts the setup creates.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"

if [ "$fresh" = 1 ] && [ -d "$WINEPREFIX" ]; then
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
fi
if [ ! -d "$WINEPREFIX" ]; then
    echo "Creating the Wine prefix $WINEPREFIX (about 10 s)"
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    wineserver -w
    # Wine's own Tahoma (the setup's font) and Marlett (frame buttons), from fonts-wine: this
    # Wine finds them only in the prefix's Fonts folder.
    if [ -d /usr/share/wine/fonts ]; then
        cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
    fi
fi

# The screen DPI and the virtual desktop, both read when a program starts.
settings=$(mktemp --suffix=.reg)
trap 'rm -f "$settings"' EXIT
printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n"LogPixels"=dword:%08x\r\n\r\n' "$dpi" >"$settings"
printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\r\n"Desktop"="Default"\r\n\r\n' >>"$settings"
printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\r\n"Default"="%s"\r\n' "$desktop" >>"$settings"
wine regedit /S "$settings"

echo "Running $setup at $dpi DPI on a $desktop Wine desktop"
set +e
wine "$setup"
status=$?
set -e
echo "The setup ended with exit code $status. Installed files: $WINEPREFIX/drive_c"
exit $status
