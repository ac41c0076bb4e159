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

source "$top/scripts/wine-env.sh"
display=${CORVALE_TEST_DISPLAY:-:77}
if ! xdpyinfo -display "$display" >/dev/null 2>&1; then
  Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  trap 'wineserver -k >/dev/null 2>&1; kill $xvfb_pid 2>/dev/null' EXIT
  for _ in $(seq 50); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.1; done
fi
export DISPLAY=$display

passed=0
failed=0
run_suite() {
  local name=$1 dir=$2 log
  log=$(mktemp)
  echo "== $name tests"
  ctest --test-dir "$dir" --output-on-failure 2>&1 | tee "$log"
  local p f
  p=$(sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\2 \1/p' "$log" | awk '{print $1-$2}')
  f=$(sed -n 's/.*tests passed, \([0-9]*\) tests failed out of.*/\1/p' "$log")
  passed=$((passed + ${p:-0}))
  failed=$((failed + ${f:-1}))
  rm -f "$log"
}
run_suite native "$top/build"
run_suite windows "$top/build/windows"

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
p=$(sed -n 's/^\([0-9]*\) passed, \([0-9]*\) failed$/\1/p' "$log" | tail -1)
f=$(sed -n 's/^\([0-9]*\) passed, \([0-9]*\) failed$/\2/p' "$log" | tail -1)
passed=$((passed + ${p:-0}))
failed=$((failed + ${f:-1}))
rm -f "$log"

echo
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
