#!/usr/bin/env bash
# The scripts and test harnesses spell none of the facts that have one place of their own:
# the toolchains and the packer build (cmake/windows_tree.cmake, scripts/lib/windows-tree.sh),
# the Wine environment and prefix set-up and the X server (scripts/lib/wine.sh), and the build's
# lists (nothing reads CMakeLists.txt). Comment lines don't count. Nor do the templates, the
# headers and the resource scripts spell the publisher's name, PUBLISHER, which CMakeLists.txt
# gives them. The control plants one copy of each kind in a copy of the files, and every one
# must be found. Prints "ok" or "FAIL" lines; the exit code counts the failures.
#   one_place_test.sh PUBLISHER
set -uo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
publisher=${1:?usage: one_place_test.sh PUBLISHER}

# The fact's name, then the extended regular expression of a copy of it.
facts=(
  "toolchain" 'toolchain-mingw-'
  "packer build" '--target packer'
  "Wine environment" 'WINEDEBUG|WINEDLLOVERRIDES|WINEARCH=|WINELOADER='
  "prefix creation" 'wineboot'
  "screen settings" 'regedit|LogPixels'
  "fonts" 'share/wine/fonts'
  "X server" '^[[:space:]]*Xvfb |[;&|][[:space:]]*Xvfb '
  "build lists" 'CMakeLists\.txt'
)

# copies TOP: one line "FILE: FACT" for every copy found outside the fact's own place.
copies() {
  local root=$1 file i
  for file in "$root"/host/resources/licence.txt.in "$root"/payload/readme.txt.in "$root"/core/*.h \
    "$root"/host/*.rc "$root"/payload/*.rc; do
    grep -q -F -e "$publisher" "$file" && echo "${file#"$root"/}: publisher"
  done
  for file in "$root"/scripts/*.sh "$root"/tests/*/*.sh "$root"/cmake/native.cmake; do
    # The tests of the scripts themselves (stubs, plantings) are no scripts of the build.
    [[ $file == "$root"/tests/scripts/* ]] && continue
    for ((i = 0; i < ${#facts[@]}; i += 2)); do
      grep -v -E '^[[:space:]]*#' "$file" | grep -q -E -e "${facts[i + 1]}" &&
        echo "${file#"$root"/}: ${facts[i]}"
    done
  done
}

failures=0
found=$(copies "$top")
if [ -z "$found" ]; then
  echo "ok no script spells a fact of scripts/lib or cmake/windows_tree.cmake, no template or header the publisher"
else
  echo "FAIL spelled outside their place:"
  echo "$found"
  failures=$((failures + 1))
fi

# Control: one planted copy of each fact, each in a file of its own kind of script.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/scripts" "$work/tests/wizard" "$work/tests/e2e" "$work/cmake" "$work/host/resources" \
  "$work/payload" "$work/core"
cp "$top"/core/*.h "$work/core/"
cp "$top"/host/*.rc "$work/host/"
cp "$top"/payload/*.rc "$top/payload/readme.txt.in" "$work/payload/"
sed "s/@CORVALE_PUBLISHER_NAME@/$publisher/" "$top/host/resources/licence.txt.in" >"$work/host/resources/licence.txt.in"
cp "$top"/scripts/*.sh "$work/scripts/"
cp "$top/tests/wizard/check-reproducible.sh" "$work/tests/wizard/"
cp "$top/tests/e2e/e2e.sh" "$work/tests/e2e/"
cp "$top/cmake/native.cmake" "$work/cmake/"
printf '%s\n' 'cmake -B x -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-mingw-i686.cmake"' \
  'cmake --build "$work/native" --target packer' >>"$work/tests/wizard/check-reproducible.sh"
printf '%s\n' 'export WINEDEBUG=-all' 'WINEPREFIX=$p wine wineboot -i' 'wine regedit /S x.reg' \
  'cp /usr/share/wine/fonts/* "$p"' '    Xvfb :9 -screen 0 800x600x24 &' >>"$work/tests/e2e/e2e.sh"
echo 'names=$(sed -n "s/^set(PAYLOAD_FILE_NAMES \(.*\))$/\1/p" "$top/CMakeLists.txt")' >>"$work/scripts/verify-release.sh"
planted=$(copies "$work")
expected=$((${#facts[@]} / 2 + 1))
if [ "$(grep -c . <<<"$planted")" -eq "$expected" ]; then
  echo "ok control: the $expected planted copies are found"
else
  echo "FAIL control: $expected planted copies, found:"
  echo "$planted"
  failures=$((failures + 1))
fi
exit "$failures"
