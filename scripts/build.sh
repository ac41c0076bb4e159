#!/usr/bin/env bash
# Builds the setup executable (and everything it is made of) into build/.
# Extra arguments go to the CMake configuration, e.g. -DCORVALE_PAYLOAD_DIR=/path/to/files,
# -DCORVALE_VERSION=2.7.4 or the signing options (README, Releasing).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
cmake -S "$top" -B "$top/build" -G Ninja "$@" >/dev/null
cmake --build "$top/build"
echo
echo "Packing report:"
cat "$top/build/windows/packing-report.txt"
setup="$top/build/windows/corvale-setup.exe"
if [ -f "$setup" ]; then
  echo
  if grep -q '^CORVALE_SIGN_PKCS12:[A-Z]*=.' "$top/build/CMakeCache.txt"; then
    echo "Signed setup executable: $setup"
  else
    echo "Setup executable: $setup"
  fi
fi
