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

# Every program run here prints before it can fail. One that ended non-zero without a byte
# of output never ran: under Wine a new process now and then dies in its start-up, silent
# with Wine's error messages off. It runs once more, with them on. The output is shown as
# it comes.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
wine_run_logged "$log" true "$WINE" "$@"
status=$?
if [ $status -ne 0 ] && [ ! -s "$log" ]; then
  echo "wine-run: ended with exit code $status before any output; once more, with Wine's error messages"
  wine_run_logged "$log" true wine_with_errors "$WINE" "$@"
  status=$?
  [ $status -eq 0 ] || echo "wine-run: ended with exit code $status"
fi
exit $status
