#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing.
# Safe to run again: it does nothing when everything is there.
#
# A package mirror caught mid-sync serves an index whose size disagrees with its Release
# file ("File has unexpected size ... Mirror sync in progress?"), and apt-get update then
# exits non-zero although every other index arrived. The update is tried a few times with a
# pause; then the install goes on with the indexes there are. When the install still fails,
# one line says which index failed and what to do. INSTALL_DEPS_TRIES and
# INSTALL_DEPS_PAUSE (seconds) set the tries; the tests set them to run without waiting.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev googletest libgtest-dev libgmock-dev libbenchmark-dev
  g++-mingw-w64-i686 mingw-w64-i686-dev wine wine32:i386 fonts-wine xvfb x11-utils imagemagick
  g++-mingw-w64-x86-64 mingw-w64-x86-64-dev wine64
  icoutils librsvg2-bin python3-pefile liblnk-utils osslsigncode openssl
)
tries=${INSTALL_DEPS_TRIES:-4}
pause=${INSTALL_DEPS_PAUSE:-15}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: run as root to install the missing packages" >&2
  exit 1
fi
dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
export DEBIAN_FRONTEND=noninteractive

log=$(mktemp)
preferences=$(mktemp -d)
trap 'rm -rf "$log" "$preferences"' EXIT
failed_index=""
for try in $(seq "$tries"); do
  if apt-get update -qq >"$log" 2>&1; then
    failed_index=""
    break
  fi
  # The first index named in an "E: Failed to fetch URL ..." line; empty for other errors.
  failed_index=$(sed -n 's/^E: Failed to fetch \([^ ]*\).*/\1/p' "$log" | head -n 1)
  echo "install-deps: apt-get update failed (try $try of $tries): ${failed_index:-$(grep '^E:' "$log" | head -n 1)}"
  [ "$try" -lt "$tries" ] && sleep "$pause"
done

install() {
  apt-get install -y -qq --no-install-recommends "$@" "${missing[@]}" >"$log" 2>&1
}
if install; then
  exit 0
fi
# A suite whose index for one architecture is missing offers newer versions of a library
# for the other: Multi-Arch "same" packages (zlib1g and zlib1g:i386) must have one version,
# and none can be chosen. Taking that suite's packages only where nothing else offers them
# leaves both architectures at the versions the complete indexes agree on. Only for this
# install: the system's own preferences are not changed.
suite=$(printf '%s\n' "$failed_index" | sed -n 's|.*/dists/\([^/]*\)/.*|\1|p')
if [ -n "$suite" ]; then
  printf 'Package: *\nPin: release n=%s\nPin-Priority: 100\n' "$suite" >"$preferences/mirror-sync.pref"
  echo "install-deps: installing with the suite $suite held back, as its index is incomplete"
  if install -o Dir::Etc::PreferencesParts="$preferences"; then
    exit 0
  fi
fi
cat "$log" >&2
if [ -n "$failed_index" ]; then
  echo "install-deps: the install failed: the index $failed_index could not be fetched, perhaps because the mirror is mid-sync; run scripts/install-deps.sh again later" >&2
else
  echo "install-deps: the install failed (apt-get above); fix that and run scripts/install-deps.sh again" >&2
fi
exit 1
