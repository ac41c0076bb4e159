#!/usr/bin/env bash
# make-release-payload.sh [DIR]: makes a stand-in payload of the size of release 2.7.3 in DIR
# (default /tmp/corvale-release-payload), for the benchmark (scripts/bench-install.sh) and for
# tries of the setup on a release-sized payload, and checks it against the hashes recorded
# at the end of this script. From what the build already installs (scripts/install-deps.sh):
# Wine's 32-bit PE files (wine32:i386) and the i686 mingw-w64 compiler and strip.
#
#   corvale.exe         1,859,584  Wine's winecfg.exe, stripped, then bytes of Wine's theme file
#                                  light.msstyles (uncompressed bitmaps) from offset 4,718,592 up
#                                  to the size: a runnable GUI program with the release's mix of
#                                  code and bitmaps, which codes to about half its size
#   readme.txt              728  text, CR LF
#   uninst_corvale.exe    200,704  Wine's uninstaller.exe, stripped, then light.msstyles bytes
#                                  from offset 6,291,456 up to the size
#   uninstall.dll         2,560  a small DLL without runtime or imports, built here from the C
#                                  source below, padded with zero bytes up to the size
#   sample.mpl            2,392  a ledger, CR LF
#
# The hashes hold for Debian 12's wine 8.0~repack-4, binutils 2.40 and gcc-mingw-w64 12; with
# other inputs the script says which differ and ends with exit code 3 (1: something missing).
set -euo pipefail
out=${1:-/tmp/corvale-release-payload}
wine_pe=/usr/lib/i386-linux-gnu/wine/i386-windows
cc=i686-w64-mingw32-gcc
strip=i686-w64-mingw32-strip
# (ld would otherwise choose the DLL's image base from the path of its output.)
# strip and ld take the time stamps they write from here: those of the Wine files themselves.
export SOURCE_DATE_EPOCH=1676758571 LC_ALL=C

for tool in "$cc" "$strip"; do
  command -v "$tool" >/dev/null || { echo "make-release-payload: no $tool (scripts/install-deps.sh)" >&2; exit 1; }
done
for file in winecfg.exe uninstaller.exe light.msstyles; do
  [ -f "$wine_pe/$file" ] || { echo "make-release-payload: no $wine_pe/$file (wine32:i386)" >&2; exit 1; }
done
if ! (cd "$wine_pe" && sha256sum --quiet -c - <<'INPUTS'); then
4c2243faf8239ecb2fa622827cb001e1fe7eca9b98a97e24c15ef27a0e63c584  winecfg.exe
38045508af79be09f0c488426e6da704eac5c17e29a4dba4a343145d06574785  uninstaller.exe
f1d1fe12886e723a1f85f7e144381830010f7d9d3ecc4b6c7055c4bd22419759  light.msstyles
INPUTS
  echo "make-release-payload: Wine's PE files above are not the recorded ones; the payload will differ" >&2
fi

mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# program BASE SKIP SIZE OUT: BASE stripped, then light.msstyles from byte SKIP, SIZE bytes in all.
program() {
  "$strip" -o "$work/stripped" "$wine_pe/$1"
  local rest=$(($3 - $(stat -c %s "$work/stripped")))
  [ "$rest" -ge 0 ] || { echo "make-release-payload: stripped $1 is larger than $3 bytes" >&2; exit 3; }
  { cat "$work/stripped"
    dd if="$wine_pe/light.msstyles" iflag=skip_bytes,count_bytes skip="$2" count="$rest" bs=1M status=none; } >"$4"
}

# exactly SIZE OUT: standard input with CR LF line ends, then one note line ("#", dots, CR LF)
# that makes it SIZE bytes.
exactly() {
  sed 's/$/\r/' >"$2"
  local rest=$(($1 - $(stat -c %s "$2")))
  [ "$rest" -ge 3 ] || { echo "make-release-payload: $2 doesn't leave room for its last line" >&2; exit 3; }
  { printf '#'; printf '%*s' $((rest - 3)) '' | tr ' ' '.'; printf '\r\n'; } >>"$2"
}

program winecfg.exe 4718592 1859584 "$out/corvale.exe"
program uninstaller.exe 6291456 200704 "$out/uninst_corvale.exe"

exactly 728 "$out/readme.txt" <<'TEXT'
Corvale 2.7.3
Wendrake Software

A stand-in readme of the release's size, made by scripts/make-release-payload.sh
for timing the setup.

The program folder receives corvale.exe, readme.txt, uninst_corvale.exe and
uninstall.dll; the documents folder receives sample.mpl.

Remove Corvale from the list of installed programs, or run uninst_corvale.exe
from the program folder.
TEXT

exactly 2392 "$out/sample.mpl" <<'TEXT'
MPL 1
Ledger: Stand-in household
Currency: EUR
Opening: 980.00

# Date      Description                               Amount
2026-01-02  Rent, January                              -810.00
2026-01-03  Groceries                                   -58.40
2026-01-06  Salary, January                            2310.00
2026-01-09  Electricity                                 -66.10
2026-01-12  Bakery                                       -7.80
2026-01-15  Train pass                                  -52.00
2026-01-19  Groceries                                   -61.35
2026-01-22  Phone                                       -21.99
2026-01-27  Books                                       -18.50
2026-02-02  Rent, February                             -810.00
2026-02-04  Salary, February                           2310.00
2026-02-07  Groceries                                   -49.90
2026-02-11  Insurance                                   -34.25
2026-02-14  Flowers                                     -22.00
2026-02-18  Groceries                                   -63.70
2026-02-23  Savings                                    -250.00
2026-03-02  Rent, March                                -810.00
2026-03-04  Salary, March                              2310.00
2026-03-08  Groceries                                   -57.15
2026-03-12  Electricity                                 -59.80
2026-03-17  Cinema                                      -26.00
2026-03-21  Groceries                                   -60.05
2026-03-26  Bicycle repair                              -42.00
2026-03-30  Interest                                      3.12
TEXT

cat >"$work/uninstall.c" <<'SOURCE'
/* The stand-in uninstall.dll: a few plain exports, no runtime, no imports. */
#include <windows.h>

BOOL WINAPI Entry(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)instance; (void)reason; (void)reserved;
    return TRUE;
}

/* The number of UTF-16 units before the terminator. */
__declspec(dllexport) int WINAPI TextUnits(const wchar_t *text)
{
    int n = 0;
    while (text && text[n]) ++n;
    return n;
}

/* The position after the last backslash: where the file name starts. */
__declspec(dllexport) int WINAPI NameStart(const wchar_t *path)
{
    int start = 0;
    for (int i = 0; path && path[i]; ++i)
        if (path[i] == L'\\') start = i + 1;
    return start;
}

/* A running sum of the bytes, 32 bits, rotated by one bit per byte. */
__declspec(dllexport) DWORD WINAPI ByteSum(const BYTE *bytes, DWORD count)
{
    DWORD sum = 0;
    while (count--) sum = ((sum << 1) | (sum >> 31)) + *bytes++;
    return sum;
}
SOURCE
"$cc" -Os -s -shared -nostdlib -fno-asynchronous-unwind-tables -fno-ident -Wl,--no-insert-timestamp \
  -Wl,--disable-auto-image-base -Wl,-e,_Entry@12 -o "$work/uninstall.dll" "$work/uninstall.c"
rest=$((2560 - $(stat -c %s "$work/uninstall.dll")))
[ "$rest" -ge 0 ] || { echo "make-release-payload: the library is larger than 2560 bytes" >&2; exit 3; }
{ cat "$work/uninstall.dll"; dd if=/dev/zero iflag=count_bytes count="$rest" status=none; } >"$out/uninstall.dll"

cd "$out"
for file in corvale.exe readme.txt uninst_corvale.exe uninstall.dll sample.mpl; do
  printf '%-20s %9d  %s\n' "$file" "$(stat -c %s "$file")" "$(sha256sum "$file" | cut -d' ' -f1)"
done
if ! sha256sum --quiet -c - <<'OUTPUTS'; then
afa76487b1a5bde0d934e0d7920768488df65d65a4767100e2e067cb90092921  corvale.exe
22cc7874ba1118f3f2eecbc4354289e5a9b87ee9f9a01d8cd0e05a94f93cf589  readme.txt
f9f2aa2c78d405289199f202df2dc2ce35879433ce277a82aff3adadc21a5cda  uninst_corvale.exe
e65272ce2825fdfc03ddca18fba5126c0de2b121fd946e6bc26751778835fa80  uninstall.dll
d9b4e65f88c59c359d6d5c1b71df993fa4b3e943dcdbfd01c0124e8d511927a5  sample.mpl
OUTPUTS
  echo "make-release-payload: the files in $out are not the recorded ones (other Wine, binutils or gcc?)" >&2
  exit 3
fi
echo "the stand-in payload in $out is the recorded one"
