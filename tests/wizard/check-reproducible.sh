#!/usr/bin/env bash
# Builds the setup executable twice, from the same sources in two build trees at different
# paths, and compares the two files byte for byte. Exit code 0 when they are identical.
# Usage: tests/wizard/check-reproducible.sh [work directory [extra CMake options...]]
# The work directory defaults to a fresh temporary one; the options go to both Windows-side
# configurations, e.g. -DCORVALE_PAYLOAD_DIR=/srv/release-2.7.3.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
work=${1:-$(mktemp -d)}
shift || true
mkdir -p "$work"

# The native packer is built once; the Windows side is configured directly, twice.
cmake -S "$top" -B "$work/native" -G Ninja >/dev/null
cmake --build "$work/native" --target packer >/dev/null
for tree in first second-tree-at-a-longer-path; do
  cmake -S "$top" -B "$work/$tree" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DCORVALE_PACKER="$work/native/packer" "$@" >/dev/null
  cmake --build "$work/$tree" --target corvale-setup -j2 >/dev/null
done

a="$work/first/corvale-setup.exe"
b="$work/second-tree-at-a-longer-path/corvale-setup.exe"
if cmp "$a" "$b"; then
  echo "identical: $(sha256sum "$a" | cut -d' ' -f1) ($(stat -c %s "$a") bytes)"
else
  echo "the two builds differ" >&2
  exit 1
fi
