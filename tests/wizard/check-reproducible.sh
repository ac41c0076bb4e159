#!/usr/bin/env bash
# Builds the setup executable twice, from the same sources in two build trees at different
# paths, and compares the two files byte for byte. Exit code 0 when they are identical.
# Usage: tests/wizard/check-reproducible.sh [work directory [extra CMake options...]]
# The work directory defaults to a fresh temporary one; the options go to both Windows-side
# configurations, e.g. -DCORVALE_PAYLOAD_DIR=/srv/release-2.7.3.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
source "$top/scripts/lib/windows-tree.sh"
work=${1:-$(mktemp -d)}
shift || true
mkdir -p "$work"

# The native packer is built once; the Windows side is configured as the build configures
# its own (scripts/lib/windows-tree.sh), twice.
windows_packer "$work/native" >/dev/null
for tree in first second-tree-at-a-longer-path; do
  windows_configure i686 "$work/$tree" "$work/native/packer" "$@" >/dev/null
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
