#!/usr/bin/env bash
# Runs one Windows program under Wine in the build's prefix and returns its exit code.
# Used by ctest for the Windows-side tests.
set -uo pipefail
source "$(dirname "$0")/wine-env.sh"
# The first run creates the prefix. A lock keeps tests started in parallel from using a
# half-made prefix, and a prefix counts as made only once its registry file exists (an
# interrupted creation is redone).
mkdir -p "$(dirname "$WINEPREFIX")"
exec 9>"$WINEPREFIX.lock"
flock 9
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  "$WINE" wineboot -i >/dev/null 2>&1
  wineserver -w
  # Wine links the user's Desktop, Documents and the like to the Linux home folder: the
  # tests' shortcuts and documents would land there, shared by every prefix and left
  # behind. The prefix gets folders of its own instead.
  find "$WINEPREFIX/drive_c/users" -type l | while read -r link; do
    rm -f "$link" && mkdir -p "$link"
  done
fi
flock -u 9
exec 9>&-
exec "$WINE" "$@"
