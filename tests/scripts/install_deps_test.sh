#!/usr/bin/env bash
# scripts/install-deps.sh against a mirror caught mid-sync, without the network: stubs of
# dpkg-query, dpkg, id and apt-get first on PATH. Each case prints "ok" or "FAIL" lines;
# the exit code counts the failures.
set -uo pipefail
script=$(cd "$(dirname "$0")/../.." && pwd)/scripts/install-deps.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stubs=$work/bin
mkdir -p "$stubs"
cat >"$stubs/dpkg-query" <<'STUB'
#!/bin/sh
echo "deinstall ok config-files"
STUB
cat >"$stubs/dpkg" <<'STUB'
#!/bin/sh
echo i386
STUB
cat >"$stubs/id" <<'STUB'
#!/bin/sh
echo 0
STUB
# UPDATE_FAILS: how many updates fail before one succeeds. INSTALL: "ok", "pinned" (only with
# a preferences part holding back the failed suite) or "never".
cat >"$stubs/apt-get" <<'STUB'
#!/bin/bash
echo "$*" >>"$CALLS"
case $1 in
  update)
    n=$(grep -c '^update' "$CALLS")
    [ "$n" -gt "$UPDATE_FAILS" ] && exit 0
    echo "E: Failed to fetch http://mirror.invalid/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?"
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
    exit 100 ;;
  install)
    [ "$INSTALL" = ok ] && exit 0
    for a in "$@"; do
      case $a in Dir::Etc::PreferencesParts=*)
        [ "$INSTALL" = pinned ] && grep -qx 'Pin: release n=bookworm-security' "${a#*=}"/*.pref && exit 0 ;;
      esac
    done
    echo "E: Unable to correct problems, you have held broken packages."
    exit 100 ;;
esac
STUB
chmod +x "$stubs"/*

failures=0
# check NAME UPDATE_FAILS INSTALL EXPECTED_EXIT EXPECTED_UPDATES [TEXT_IN_LAST_LINE]
check() {
  local name=$1 updates_expected=$5 text=${6:-}
  export CALLS=$work/$name.calls UPDATE_FAILS=$2 INSTALL=$3
  : >"$CALLS"
  PATH=$stubs:$PATH INSTALL_DEPS_TRIES=3 INSTALL_DEPS_PAUSE=0 bash "$script" >"$work/$name.out" 2>&1
  local code=$? updates
  updates=$(grep -c '^update' "$CALLS")
  local last
  last=$(tail -n 1 "$work/$name.out")
  if [ "$code" -ne "$4" ] || [ "$updates" -ne "$updates_expected" ] ||
     { [ -n "$text" ] && [[ $last != *"$text"* ]]; }; then
    echo "FAIL $name: exit $code (want $4), $updates updates (want $updates_expected), last line: $last"
    failures=$((failures + 1))
  else
    echo "ok   $name"
  fi
}
check update_recovers 1 ok 0 2
check update_never_recovers 9 ok 0 3
check install_needs_the_suite_held_back 9 pinned 0 3
check install_fails 9 never 1 3 "binary-i386/Packages.xz could not be fetched, perhaps because the mirror is mid-sync; run scripts/install-deps.sh again later"
# Control: a whole update and a failing install name no index.
check control_other_failure 0 never 1 1 "the install failed (apt-get above)"
exit "$failures"
