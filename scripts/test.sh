#!/usr/bin/env bash
# Runs every test: builds both sides, runs the native tests, then the Windows tests under
# Wine on a headless X server. Exits non-zero when any test fails.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh" || exit 1
# CORVALE_TEST_DISPLAY and CORVALE_E2E_DISPLAY move the X displays (default :77 and :86),
# so that test runs of two checkouts don't share one.
e2e_display=()
[ -n "${CORVALE_E2E_DISPLAY:-}" ] && e2e_display=(-DCORVALE_E2E_DISPLAY="$CORVALE_E2E_DISPLAY")
cmake -S "$top" -B "$top/build" -G Ninja "${e2e_display[@]}" >/dev/null || exit 1
cmake --build "$top/build" || exit 1

source "$top/scripts/lib/wine.sh"
source "$top/scripts/lib/windows-tree.sh"
display=${CORVALE_TEST_DISPLAY:-:77}
wine_x_display "$display"
[ -z "$WINE_XVFB_PID" ] || trap 'WINEPREFIX=$top/build/wine/prefix wineserver -k >/dev/null 2>&1; kill $WINE_XVFB_PID 2>/dev/null' EXIT
export DISPLAY=$display

passed=0
failed=0
skipped=0
run_suite() {
  local name=$1 dir=$2 log
  shift 2
  log=$(mktemp)
  echo "== $name tests"
  ctest --test-dir "$dir" --output-on-failure "$@" 2>&1 | tee "$log"
  local total f s
  total=$(sed -n 's/.*tests passed, [0-9]* tests failed out of \([0-9]*\).*/\1/p' "$log")
  f=$(sed -n 's/.*tests passed, \([0-9]*\) tests failed out of.*/\1/p' "$log")
  # ctest lists the tests that skipped (or are disabled) under "did not run" and counts them
  # in the total but not as failed; they are no passes. Each one's reason is its output.
  s=$(sed -n '/^The following tests did not run:/,/^$/s/^[[:space:]]*[0-9]* - \(.*\) ([A-Za-z ]*)$/\1/p' "$log")
  [ -z "$s" ] || awk -v names="$s" 'BEGIN { split(names, list, "\n"); for (i in list) skip[list[i]] = 1 }
    /^[0-9]+\/[0-9]+ Test: / { name = substr($0, index($0, ": ") + 2) }
    /^<end of output>$/ { shown = 0 }
    shown && skip[name] { print "SKIPPED " name ": " $0 }
    /^Output:$/ { getline; shown = 1 }' "$dir/Testing/Temporary/LastTest.log"
  s=$(printf '%s' "$s" | grep -c .)
  passed=$((passed + ${total:-0} - ${f:-0} - s))
  failed=$((failed + ${f:-1}))
  skipped=$((skipped + s))
  rm -f "$log"
}
run_suite native "$top/build"
# Wine runs the 32-bit setup with its 32-bit x86 Linux loader. A kernel started without
# 32-bit emulation (dmesg: "32-bit emulation disabled") executes no 32-bit code at all, not
# even in a 64-bit Wine process. There the Windows side's tests that need no Wine run on the
# 32-bit build, and those under Wine run on a 64-bit test build of the same sources in
# 64-bit prefixes; the 32-bit build's Wine tests are counted as skipped, never as passed.
# wine_tests DIR yes|no: the ctest numbers of the tests that run (or don't run) under Wine.
wine_tests() {
  ctest --test-dir "$1" --show-only=json-v1 | python3 -c '
import json, sys
tests = json.load(sys.stdin)["tests"]
wanted = sys.argv[1] == "yes"
uses_wine = [any("wine" in word or "e2e.sh" in word for word in t.get("command", [])) for t in tests]
print(",".join(str(i + 1) for i, wine in enumerate(uses_wine) if wine == wanted))' "$2"
}
if "$top/scripts/can-run-wine32.sh"; then
  run_suite windows "$top/build/windows"
else
  echo "== this machine can't execute 32-bit x86 code: the 32-bit build's tests under Wine are SKIPPED"
  skipped=$((skipped + $(wine_tests "$top/build/windows" yes | tr ',' '\n' | grep -c .)))
  run_suite "windows (no Wine)" "$top/build/windows" -I "0,0,0,$(wine_tests "$top/build/windows" no)"
  win64=$top/build/win64
  echo "== building the 64-bit test build of the Windows side in $win64"
  if windows_configure x86_64 "$win64" "$top/build/packer" "${e2e_display[@]}" >/dev/null &&
     cmake --build "$win64" >"$win64/build.log" 2>&1; then
    CORVALE_WINE_ARCH=win64 run_suite "windows under Wine (64-bit test build)" "$win64" -I "0,0,0,$(wine_tests "$win64" yes)"
  else
    tail -n 30 "$win64/build.log"
    failed=$((failed + 1))
  fi
fi

# Two builds of the setup in trees at different paths must give the same bytes.
echo "== reproducible setup executable"
if "$top/tests/wizard/check-reproducible.sh" "$top/build/reproducible"; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
fi

# A signed 2.7.4 release made with a throw-away CA: signatures, resources, verify-release
# on it and on a copy with one byte flipped, and an installation under Wine. It reuses the
# packer that the reproducibility check built and the end-to-end tests' pristine prefix.
echo "== signed release"
log=$(mktemp)
E2E_TEMPLATE="$top/build/windows/e2e/template" "$top/tests/release/check-release.sh" "$top/build/release" "$top/build/reproducible/native/packer" | tee "$log"
read -r p f k < <(sed -n 's/^\([0-9]*\) passed, \([0-9]*\) failed, \([0-9]*\) skipped$/\1 \2 \3/p' "$log" | tail -1)
passed=$((passed + ${p:-0}))
failed=$((failed + ${f:-1}))
skipped=$((skipped + ${k:-0}))
rm -f "$log"

echo
if [ "$skipped" -gt 0 ]; then
  echo "$passed passed, $failed failed, $skipped skipped"
else
  echo "$passed passed, $failed failed"
fi
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
