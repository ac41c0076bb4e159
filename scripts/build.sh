#!/usr/bin/env bash
# Builds the setup executable (and everything it is made of) into build/.
# Extra arguments go to the CMake configuration, e.g. -DCORVALE_PAYLOAD_DIR=/path/to/files
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
  echo "Setup executable: $setup"
fi
