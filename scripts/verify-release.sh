#!/usr/bin/env bash
# Checks that a signed setup is this checkout's build, byte for byte.
#
#   scripts/verify-release.sh SETUP.exe [-CAfile FILE] [--version X.Y.Z] [--website HOST]
#                             [--payload-dir DIR] [--work DIR]
#
# 1. The setup's Authenticode signature must verify (against FILE's certificates with
#    -CAfile, otherwise the system's).
# 2. The signature is removed, and the payload files (the build's list) are found inside the setup,
#    checked against the checksums the build recorded beside them and decoded with the
#    packer, which names a file that fails. The programs among them must verify the
#    same way.
# 3. This checkout is built in a fresh tree (a temporary one, or --work DIR, which must not
#    exist yet) with the setup's version (read from its version block unless --version
#    gives it) and --website's host (the build's default otherwise). The setup's payload
#    must be what that tree builds from payload/ (or the files of --payload-dir): the
#    programs once their signatures are removed, the readme and the sample as they are.
# 4. The tree then packs the payload found in the setup, signatures and all, into a setup of
#    its own, which must be identical to the signed setup without its signature; otherwise
#    the first differing byte is named.
# The exit code is 0 only when every step passed.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/lib/windows-tree.sh"

setup="" cafile="" version="" website="" payload_dir="" work=""
while [ $# -gt 0 ]; do
  case $1 in
  -CAfile | --version | --website | --payload-dir | --work)
    [ $# -ge 2 ] || { echo "verify-release: $1 needs a value" >&2; exit 2; }
    case $1 in
    -CAfile) cafile=$2 ;;
    --version) version=$2 ;;
    --website) website=$2 ;;
    --payload-dir) payload_dir=$2 ;;
    --work) work=$2 ;;
    esac
    shift 2
    ;;
  -*) echo "verify-release: unknown option $1" >&2; exit 2 ;;
  *)
    [ -z "$setup" ] || { echo "verify-release: one setup only" >&2; exit 2; }
    setup=$1
    shift
    ;;
  esac
done
if [ -z "$setup" ]; then
  echo "usage: scripts/verify-release.sh SETUP.exe [-CAfile FILE] [--version X.Y.Z] [--website HOST] [--payload-dir DIR] [--work DIR]" >&2
  exit 2
fi

fail() {
  echo "verify-release: FAILED: $*" >&2
  exit 1
}
[ -r "$setup" ] || fail "can't read $setup"
# pefile comes with Debian's python3-pefile, which a python3 earlier in PATH may not see.
python=python3
"$python" -c "import pefile" 2>/dev/null || python=/usr/bin/python3
"$python" -c "import pefile" 2>/dev/null || fail "no python3 can import pefile (Debian package python3-pefile)"
setup=$(cd "$(dirname "$setup")" && pwd)/$(basename "$setup")
verify_options=()
if [ -n "$cafile" ]; then
  [ -r "$cafile" ] || fail "can't read the CA file $cafile"
  verify_options=(-CAfile "$cafile")
fi
if [ -n "$work" ]; then
  [ ! -e "$work" ] || fail "the work folder $work exists already; give a new one"
  mkdir -p "$work" || fail "can't make $work"
else
  work=$(mktemp -d) || fail "can't make a work folder"
fi
work=$(cd "$work" && pwd)
echo "work folder: $work"

# Signature check of one file; prints the signer.
verify_signature() {
  local file=$1 what=$2 log=$work/verify.log
  if ! osslsigncode verify "${verify_options[@]}" -in "$file" >"$log" 2>&1; then
    grep -i -E "fail|error|mismatch|no signature" "$log" | head -5 >&2
    fail "the signature of $what does not verify"
  fi
  echo "signature of $what: ok, signer $(grep -m1 'Subject:' "$log" | sed 's/^[[:space:]]*Subject:[[:space:]]*//')"
}

# ---- 1. The setup's signature ------------------------------------------------------------
verify_signature "$setup" "$(basename "$setup")"
unsigned=$work/setup-unsigned.exe
osslsigncode remove-signature -in "$setup" -out "$unsigned" >"$work/remove.log" 2>&1 ||
  fail "can't remove the signature of $setup: $(tr '\n' ' ' <"$work/remove.log")"

# ---- 2. The payload inside ------------------------------------------------------------
if [ -z "$version" ]; then
  version=$("$python" - "$unsigned" <<'EOF'
import sys
import pefile

pe = pefile.PE(sys.argv[1])
for info in getattr(pe, "FileInfo", []):
    for entry in info:
        for table in getattr(entry, "StringTable", []):
            value = table.entries.get(b"ProductVersion")
            if value:
                print(value.decode())
                sys.exit(0)
sys.exit(1)
EOF
) || fail "the setup's version block names no ProductVersion; give --version"
fi
echo "version: $version"

# This checkout's tree, configured as the build configures its own Windows side, with the
# setup's version; it packs the payload found inside (step 4) and names the payload files.
options=(-DCORVALE_VERSION="$version")
[ -n "$website" ] && options+=(-DCORVALE_WEBSITE_HOST="$website")
tree=$work/windows
echo "== building the packer"
windows_packer "$work/native" >"$work/native.log" 2>&1 || fail "the native build failed, see $work/native.log"
packer=$work/native/packer
mkdir -p "$work/payload"
windows_configure i686 "$tree" "$packer" -DCORVALE_PAYLOAD_DIR="$work/payload" "${options[@]}" \
  >"$work/windows.log" 2>&1 || fail "configuring $tree failed, see $work/windows.log"
# The file names and which of them are programs, from the build's own list.
names=$(windows_payload_files "$tree") && programs=$(windows_payload_files "$tree" program | tr '\n' ' ') &&
  [ -n "$names" ] && [ -n "$programs" ] || fail "can't read the payload file names from $tree"
# shellcheck disable=SC2086
"$packer" unpack "$unsigned" "$work/payload" $names ||
  fail "the payload inside the setup can't be found or is damaged (the packer's message above names the file)"
for name in $programs; do
  verify_signature "$work/payload/$name" "$name inside the setup"
done

# ---- 3. A fresh tree of this checkout ------------------------------------------------------
echo "== building this checkout in $tree"
targets=(corvale-setup)
[ -z "$payload_dir" ] && readarray -t -O 1 targets < <(windows_payload_targets "$tree")
cmake --build "$tree" --target "${targets[@]}" >>"$work/windows.log" 2>&1 ||
  fail "building $tree failed, see $work/windows.log"

# Where this checkout's own payload files are.
reference() {
  local name=$1
  if [ -n "$payload_dir" ]; then
    echo "$payload_dir/$name"
  else
    windows_payload_source "$tree" "$name"
  fi
}
for name in $names; do
  found=$work/payload/$name
  expected=$(reference "$name")
  case " $programs " in
  *" $name "*)
    stripped=$work/payload-unsigned-$name
    osslsigncode remove-signature -in "$found" -out "$stripped" >/dev/null 2>&1 ||
      fail "can't remove the signature of $name"
    found=$stripped
    # A program of --payload-dir may be signed already; its unsigned bytes count.
    if osslsigncode remove-signature -in "$expected" -out "$work/expected-$name" >/dev/null 2>&1; then
      expected=$work/expected-$name
    fi
    ;;
  esac
  cmp -s "$found" "$expected" || fail "$name inside the setup is not $expected: $(cmp "$found" "$expected" 2>&1 | head -1)"
  echo "$name: identical to $expected"
done

# ---- 4. The setup itself -------------------------------------------------------------
rebuilt=$tree/corvale-setup.exe
if ! cmp -s "$unsigned" "$rebuilt"; then
  where=$("$python" - "$unsigned" "$rebuilt" <<'EOF'
import sys
import pefile

a, b = (open(path, "rb").read() for path in sys.argv[1:3])
pe = pefile.PE(data=a)
# The PE checksum follows every other byte: a difference elsewhere is the one to name.
checksum = pe.OPTIONAL_HEADER.get_file_offset() + 64
common = min(len(a), len(b))
offset = next((i for i in range(common) if a[i] != b[i] and not checksum <= i < checksum + 4), common)
if offset == common and len(a) == len(b):
    offset = checksum
place = "past the end of the shorter file"
if offset < common:
    place = "in the headers" + (" (the PE checksum)" if offset == checksum else "")
    for section in pe.sections:
        start = section.PointerToRawData
        if start <= offset < start + section.SizeOfRawData:
            name = section.Name.split(bytes(1))[0].decode()
            place = f"in section {name} at +{offset - start:#x}"
    place += f": {a[offset]:#04x} in the setup, {b[offset]:#04x} rebuilt"
print(f"offset {offset:#x} ({offset}), {place}; sizes {len(a)} and {len(b)}")
EOF
)
  fail "the setup differs from this checkout's build $rebuilt: first difference at $where"
fi
echo "verified: $(basename "$setup") is this checkout's build of version $version," \
  "$(sha256sum "$unsigned" | cut -d' ' -f1) without its signature"
