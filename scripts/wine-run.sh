#!/usr/bin/env bash
# Runs one Windows program under Wine in the build's prefix and returns its exit code.
# Used by ctest for the Windows-side tests.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/lib/wine.sh"
: "${WINEPREFIX:=$top/build/wine/prefix}"
export WINEPREFIX
# The first run creates the prefix. A lock keeps tests started in parallel from using a
# half-made prefix, and a prefix counts as made only once its registry file exists (an
# interrupted creation is redone).
mkdir -p "$(dirname "$WINEPREFIX")"
exec 9>"$WINEPREFIX.lock"
flock 9
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wine_make_prefix "$WINEPREFIX" || exit 1
fi
flock -u 9
exec 9>&-
exec "$WINE" "$@"
