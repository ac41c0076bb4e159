# The Wine environment of every script and test harness, sourced. It sets up, from
# CORVALE_WINE_ARCH (win32, the default, or win64):
#
#   WINEARCH, WINELOADER   the prefix kind and, for 64-bit prefixes, Wine's 64-bit loader
#   WINE                   the command that runs a Windows program: "$WINE" prog.exe ARGS,
#                          "$WINE" wineboot, "$WINE" regedit
#   WINEDEBUG, WINEDLLOVERRIDES   quiet, no Mono/Gecko installers, no Linux menu entries
#
# and the functions
#
#   wine_make_prefix PREFIX         a new prefix with user folders of its own
#   wine_install_fonts PREFIX       Wine's own Tahoma and Marlett into the prefix
#   wine_screen PREFIX DPI WxH      the screen DPI and the virtual desktop of the prefix
#   wine_x_display DISPLAY          an Xvfb on DISPLAY unless an X server answers there
#   wine_with_errors COMMAND ARGS   the command with Wine's error messages on
#   wine_run_logged LOG HOOK COMMAND ARGS   the command, its output kept in LOG and shown
#
# CORVALE_WINE_ARCH=win64 is for the 64-bit test build of the Windows side, on a machine that
# can't execute 32-bit x86 code (scripts/can-run-wine32.sh). Wine's launcher scripts (wine,
# wineboot) would pick the 32-bit loader whenever it is installed, so programs are started
# through $WINE, never through the launcher by name.
export WINEARCH=${CORVALE_WINE_ARCH:-win32}
if [ "$WINEARCH" = win64 ]; then
  export WINELOADER=/usr/lib/wine/wine64
  WINE=$WINELOADER
else
  WINE=wine
fi
export WINEDEBUG=-all
# wine_with_errors COMMAND ARGS: the command (a program or a function) with Wine's error
# messages on, for a run that has to say why it failed.
wine_with_errors() {
  WINEDEBUG=-all,err+all "$@"
}

# wine_run_logged LOG HOOK COMMAND ARGS: runs the command with its output kept in LOG and
# shown as it comes, calling HOOK (a command; true for none) every 50 ms while it runs.
# Returns its exit code. The lock descriptor 9 of the caller is not passed on.
wine_run_logged() {
  local log=$1 hook=$2 pid tail_pid status
  shift 2
  : >"$log"
  "$@" >"$log" 2>&1 9>&- &
  pid=$!
  tail -n +1 -s 0.1 -f --pid="$pid" "$log" 9>&- &
  tail_pid=$!
  while kill -0 "$pid" 2>/dev/null; do
    "$hook"
    sleep 0.05
  done
  wait "$pid"
  status=$?
  wait "$tail_pid"
  return $status
}
# winemenubuilder would copy the shortcuts the setup and the tests create into the Linux menus.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# wine_make_prefix PREFIX: creates the prefix (about ten seconds). Wine links the user's
# Desktop, Documents, Templates and the like to the Linux home folder: shortcuts and documents
# would land there, shared by every prefix and left behind. The prefix gets folders of its
# own instead.
wine_make_prefix() {
  local prefix=$1 link
  mkdir -p "$prefix" || return 1
  WINEPREFIX=$prefix "$WINE" wineboot -i >/dev/null 2>&1 8>&- 9>&-
  WINEPREFIX=$prefix wineserver -w 8>&- 9>&-
  [ -f "$prefix/system.reg" ] || { echo "wine: no prefix made in $prefix" >&2; return 1; }
  find "$prefix/drive_c/users" -type l | while read -r link; do
    rm -f "$link" && mkdir -p "$link"
  done
}

# Wine's own Tahoma (the setup's font) and Marlett (the frame buttons' glyphs), from Debian's
# fonts-wine. This Wine doesn't look for them where the package puts them, but finds them in
# the prefix's Fonts folder.
wine_fonts=/usr/share/wine/fonts
wine_install_fonts() {
  [ -d "$wine_fonts" ] && cp "$wine_fonts"/* "$1/drive_c/windows/Fonts/"
  return 0
}

# wine_screen PREFIX DPI WxH: the screen DPI and a virtual desktop of that size, both read
# when a program starts.
wine_screen() {
  local prefix=$1 dpi=$2 desktop=$3 settings=$1/screen-settings.reg
  {
    printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n"LogPixels"=dword:%08x\r\n\r\n' "$dpi"
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\r\n"Desktop"="Default"\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\r\n"Default"="%s"\r\n' "$desktop"
  } >"$settings" || return 1
  WINEPREFIX=$prefix "$WINE" regedit /S "$settings"
}

# wine_x_display DISPLAY: starts a 1920x1080 Xvfb on DISPLAY unless an X server answers there,
# and waits until it does. WINE_XVFB_PID is the started server's process id, empty when one
# answered already. The server is started without the lock descriptors 8 and 9 of the caller:
# a lock held by a child lives as long as the child.
wine_x_display() {
  WINE_XVFB_PID=
  xdpyinfo -display "$1" >/dev/null 2>&1 && return 0
  Xvfb "$1" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 </dev/null 8>&- 9>&- &
  WINE_XVFB_PID=$!
  for _ in $(seq 100); do
    xdpyinfo -display "$1" >/dev/null 2>&1 && return 0
    sleep 0.05
  done
  echo "wine: Xvfb didn't come up on $1" >&2
  return 1
}
