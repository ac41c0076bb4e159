#!/usr/bin/env bash
# Runs one Windows program under Wine in the build's prefix and returns its exit code.
# Used by ctest for the Windows-side tests.
set -uo pipefail
source "$(dirname "$0")/wine-env.sh"
if [ ! -d "$WINEPREFIX" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi
exec wine "$@"
