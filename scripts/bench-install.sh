#!/usr/bin/env bash
# bench-install.sh [PAYLOAD_DIR] [ROUNDS]: times the installation phase of the setup under
# Wine, from the Install click until the Close button exists, each run in a fresh prefix.
# It compares the setup as built with its floor, the same setup whose progress bar is never
# stepped (target corvale-setup-floor, built only for this), in interleaved rounds (the
# order alternates), and prints min / median / max of each and the ratio of the medians.
#
# PAYLOAD_DIR packs the payload files found there instead of the ones built from payload/, in a build
# tree of its own (build/bench-NAME, or build/win64-NAME for the 64-bit test build); ROUNDS
# defaults to 7. A benchmark, not a test: the
# figures depend on the machine and on what else it is doing.
#
# BENCH_BASELINE=/path/to/setup.exe adds that executable to the rounds (for example the
# setup built from an earlier commit with the same payload), compared with the floor too.
# BENCH_DISPLAY picks the X display (default :84; an Xvfb is started there when none answers).
# BENCH_CASE=timed_start times the start instead: from starting the setup until its window
# shows page 0 (the floor then starts exactly as the setup does, which shows the noise).
set -euo pipefail
export LC_ALL=C
top=$(cd "$(dirname "$0")/.." && pwd)
payload=${1:-}
rounds=${2:-7}
options=()
suffix=
if [ -n "$payload" ]; then
  payload=$(cd "$payload" && pwd)
  options=(-DCORVALE_PAYLOAD_DIR="$payload")
  suffix=-$(basename "$payload")
fi

"$top/scripts/install-deps.sh"
source "$top/scripts/lib/windows-tree.sh"
# On a machine that can't execute 32-bit x86 code, the 64-bit test build in 64-bit prefixes.
if "$top/scripts/can-run-wine32.sh"; then
  export CORVALE_WINE_ARCH=win32
  tree=$top/build${suffix:+/bench$suffix}
  windows=$tree/windows
else
  export CORVALE_WINE_ARCH=win64
  tree=$top/build
  windows=$top/build/win64$suffix
  echo "this machine can't execute 32-bit x86 code: timing the 64-bit test build"
fi
mkdir -p "$tree" "$windows"
log=$windows/bench-build.log
echo "building in $windows (log: $log)"
build() {
  if [ "$CORVALE_WINE_ARCH" = win32 ]; then
    cmake -S "$top" -B "$tree" -G Ninja "${options[@]}" && cmake --build "$tree" --target windows
  else
    windows_packer "$tree" && windows_configure x86_64 "$windows" "$tree/packer" "${options[@]}"
  fi &&
    cmake --build "$windows" --target corvale-setup corvale-setup-floor e2e-driver
}
if ! build >"$log" 2>&1; then
  tail -n 30 "$log" >&2
  exit 1
fi

export E2E_ROOT=$windows/bench E2E_DISPLAY=${BENCH_DISPLAY:-:84}
export E2E_DRIVER=$windows/e2e-driver.exe E2E_SHOTS=$windows/bench/shots
harness=$top/tests/e2e/e2e.sh
names=(setup floor)
exes=("$windows/corvale-setup.exe" "$windows/corvale-setup-floor.exe")
if [ -n "${BENCH_BASELINE:-}" ]; then
  names+=(baseline)
  exes+=("$(cd "$(dirname "$BENCH_BASELINE")" && pwd)/$(basename "$BENCH_BASELINE")")
fi
bash "$harness" display-start
trap 'bash "$harness" display-stop' EXIT

bench_case=${BENCH_CASE:-timed_install}
results=$(mktemp)
count=${#names[@]}
for round in $(seq "$rounds"); do
  for k in $(seq 0 $((count - 1))); do
    # Round r starts with variant r mod count, so each one goes first as often as the others.
    i=$(((round + k) % count))
    group=bench-${names[$i]}
    bash "$harness" prefix "$group" 96 >/dev/null
    out=$(bash "$harness" run "$group" "$bench_case" --setup "${exes[$i]}" --shots none) || {
      echo "$out" >&2
      echo "bench-install: the ${names[$i]} run failed" >&2
      exit 1
    }
    bash "$harness" stop "$group"
    ms=$(tr -d '\r' <<<"$out" | sed -n 's/^[a-z]*-ms //p')
    echo "${names[$i]} $ms" >>"$results"
    printf 'round %d  %-8s %8.1f ms\n' "$round" "${names[$i]}" "$ms"
  done
done

echo
echo "$([ "$bench_case" = timed_start ] && echo "start to page 0" || echo "installation phase") ($CORVALE_WINE_ARCH), $rounds rounds$([ -n "$payload" ] && echo ", payload $payload"):"
summary() {
  sort -n | awk '{ v[NR] = $1 } END { m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
                                       printf "%.1f %.1f %.1f\n", v[1], m, v[NR] }'
}
declare -A median
for name in "${names[@]}"; do
  read -r lo mid hi < <(awk -v n="$name" '$1 == n { print $2 }' "$results" | summary)
  median[$name]=$mid
  printf '  %-8s min %8.1f  median %8.1f  max %8.1f ms\n' "$name" "$lo" "$mid" "$hi"
done
for name in "${names[@]}"; do
  [ "$name" = floor ] && continue
  awk -v a="${median[$name]}" -v b="${median[floor]}" -v n="$name" \
    'BEGIN { printf "  median %s / median floor = %.2f\n", n, a / b }'
done
rm -f "$results"
