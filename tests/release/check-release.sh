#!/usr/bin/env bash
# A release as a release engineer makes one: version 2.7.4, signed with a code-signing
# certificate of a CA made here and thrown away (nothing secret is kept in the sources).
# Usage: tests/release/check-release.sh WORK [PACKER]
# WORK is emptied first; PACKER is a natively built packer to reuse (built in WORK when not
# given). Prints "ok CASE", "FAILED CASE" or "SKIPPED CASE" per case, then "N passed, M
# failed, K skipped"; the exit
# code is 0 when every case passed. CORVALE_E2E_DISPLAY picks the end-to-end display;
# E2E_TEMPLATE may name a pristine Wine prefix to start from (tests/e2e/e2e.sh).
set -uo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
source "$top/scripts/lib/windows-tree.sh"
work=${1:?usage: check-release.sh WORK [PACKER]}
packer=${2:-}
version=2.7.4
rm -rf "$work"
mkdir -p "$work/keys"
work=$(cd "$work" && pwd)

passed=0
failed=0
skipped=0
result() {
  if [ "$2" -eq 0 ]; then
    echo "ok $1"
    passed=$((passed + 1))
  else
    echo "FAILED $1"
    failed=$((failed + 1))
  fi
}
finish() {
  echo "$passed passed, $failed failed, $skipped skipped"
  [ "$failed" -eq 0 ]
  exit
}

# ---- A CA and a code-signing certificate, for this run only ---------------------------------
keys=$work/keys
(
  cd "$keys" &&
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Corvale Test CA" -keyout ca.key -out ca.pem \
      -addext basicConstraints=critical,CA:true -addext keyUsage=critical,keyCertSign,cRLSign &&
    openssl req -newkey rsa:2048 -nodes -subj "/CN=Wendrake Software" -keyout signer.key -out signer.csr &&
    printf 'basicConstraints=critical,CA:false\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >signer.ext &&
    openssl x509 -req -days 2 -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -extfile signer.ext -out signer.pem &&
    openssl rand -hex 16 >password &&
    openssl pkcs12 -export -inkey signer.key -in signer.pem -certfile ca.pem -passout file:password -out signer.p12
) >"$work/keys.log" 2>&1
result "throw-away CA and code-signing certificate made with openssl" $?

# ---- The signed 2.7.4 build -------------------------------------------------------------------
if [ -n "$packer" ]; then
  packer=$(cd "$(dirname "$packer")" && pwd)/$(basename "$packer")
else
  windows_packer "$work/native" >/dev/null
  packer=$work/native/packer
fi
tree=$work/signed
setup=$tree/corvale-setup.exe
windows_configure i686 "$tree" "$packer" -DCORVALE_VERSION=$version \
  -DCORVALE_SIGN_PKCS12="$keys/signer.p12" -DCORVALE_SIGN_PASSWORD_FILE="$keys/password" \
  -DCORVALE_E2E_DISPLAY="${CORVALE_E2E_DISPLAY:-:86}" >"$work/signed.log" 2>&1 &&
  cmake --build "$tree" --target signed-setup e2e-driver -j2 >>"$work/signed.log" 2>&1
status=$?
# The password never reaches the build's output.
if [ $status -eq 0 ] && grep -q -F -f "$keys/password" "$work/signed.log"; then
  echo "the build log shows the password"
  status=1
fi
result "signed build of $version" $status
[ $status -eq 0 ] || { tail -20 "$work/signed.log"; finish; }

status=0
files=("$setup")
for name in $(windows_payload_files "$tree" program); do files+=("$tree/signed/$name"); done
[ ${#files[@]} -gt 1 ] || { echo "the build's payload list names no program"; status=1; }
for file in "${files[@]}"; do
  osslsigncode verify -CAfile "$keys/ca.pem" -in "$file" >"$work/verify.log" 2>&1 ||
    { echo "$file does not verify:"; tail -3 "$work/verify.log"; status=1; }
done
result "the setup and its programs verify against the CA" $status

# The uninstaller recognises the files it removes by what the build recorded of them before
# they were signed; the signed programs (and the data files) must still be those files to it.
status=0
released=()
for name in $(windows_payload_files "$tree"); do
  file=$(windows_payload_source "$tree" "$name")
  [ -f "$tree/signed/$name" ] && file=$tree/signed/$name
  released+=("$name=$file")
done
"$packer" digests "$work/signed-digests.inc" "${released[@]}" || status=1
# Each recorded row (every file but the uninstaller itself) must be a row of the release.
recorded=$(grep '^{' "$tree/generated/shipped_digests.inc")
unmatched=$(printf '%s\n' "$recorded" | grep -v -x -F -f "$work/signed-digests.inc")
if [ -z "$recorded" ] || [ -n "$unmatched" ]; then
  echo "the uninstaller carries digests that no released file has: ${unmatched:-none at all}"
  status=1
fi
# Control: signing did change the files themselves.
if cmp -s "$tree/payload/corvale.exe" "$tree/signed/corvale.exe"; then
  echo "the signed corvale.exe is the unsigned one"
  status=1
fi
result "the uninstaller's recorded digests match the signed programs" $status

python=python3
"$python" -c "import pefile" 2>/dev/null || python=/usr/bin/python3
"$python" "$top/tests/resources/check_resources.py" "$setup" --version $version --sources "$top" \
  --licence "$tree/generated/resources/licence.txt" --publisher "$(cat "$tree/publisher.txt")" >"$work/resources.log" 2>&1
status=$?
[ $status -eq 0 ] || cat "$work/resources.log"
for text in "$tree/generated/resources/licence.txt" "$(windows_payload_source "$tree" readme.txt)"; do
  head -1 "$text" | grep -q -i "^corvale $version"$'\r'"$" || { echo "$text does not start with the version"; status=1; }
  grep -q -F "$(cat "$tree/publisher.txt")" "$text" || { echo "$text does not name the publisher"; status=1; }
done
result "resources of the $version build: version block $version.0 and $version, licence and readme with the publisher" $status

flipped=$work/flipped.exe
cp "$setup" "$flipped"
offset=$(($(stat -c %s "$flipped") / 2))
byte=$(od -An -tu1 -j $offset -N1 "$flipped" | tr -d ' ')
printf "$(printf '\\%03o' $((byte ^ 1)))" | dd of="$flipped" bs=1 seek=$offset conv=notrunc status=none
status=0
if osslsigncode verify -CAfile "$keys/ca.pem" -in "$flipped" >/dev/null 2>&1; then
  echo "a setup with one byte flipped still verifies"
  status=1
fi
if "$top/scripts/verify-release.sh" "$flipped" -CAfile "$keys/ca.pem" --work "$work/verify-flipped" >"$work/verify-flipped.log" 2>&1; then
  echo "verify-release passes a setup with one byte flipped"
  status=1
fi
result "one flipped byte fails the signature and verify-release" $status

"$top/scripts/verify-release.sh" "$setup" -CAfile "$keys/ca.pem" --work "$work/verify" >"$work/verify-release.log" 2>&1
status=$?
[ $status -eq 0 ] || tail -20 "$work/verify-release.log"
result "verify-release passes the signed setup" $status

# A setup signed with the same key that is not this checkout's build: the tree of the case
# above, rebuilt with a web-site host of the same length, packs the same payload. Only the
# final byte-for-byte comparison can tell, and it must name the section of the host's text.
other=$work/other-host.exe
cmake "$work/verify/windows" -DCORVALE_WEBSITE_HOST=www.corvale.org >"$work/other-host.log" 2>&1 &&
  cmake --build "$work/verify/windows" --target corvale-setup -j2 >>"$work/other-host.log" 2>&1 &&
  "$top/scripts/sign.sh" --pkcs12 "$keys/signer.p12" --password-file "$keys/password" \
    "$work/verify/windows/corvale-setup.exe" "$other" >>"$work/other-host.log" 2>&1
status=$?
if [ $status -ne 0 ]; then
  tail -20 "$work/other-host.log"
elif "$top/scripts/verify-release.sh" "$other" -CAfile "$keys/ca.pem" --payload-dir "$work/verify/payload" \
  --work "$work/verify-other" >"$work/verify-other.log" 2>&1; then
  echo "verify-release passes a setup built with another web-site host"
  status=1
elif ! grep -q "differs from this checkout's build .*: first difference at .* in section \.rdata at " "$work/verify-other.log"; then
  echo "verify-release refused a setup built with another web-site host, but not by naming .rdata:"
  tail -5 "$work/verify-other.log"
  status=1
fi
result "verify-release names the differing section of a setup built with another web-site host" $status

# The default installation under Wine, with the title, class name and registry values of
# 2.7.4, installing the signed programs. Only where the 32-bit setup can run at all.
if ! "$top/scripts/can-run-wine32.sh"; then
  echo "SKIPPED the signed $version setup installs under Wine: this machine can't execute 32-bit x86 code"
  skipped=1
  finish
fi
ctest --test-dir "$tree" -R '^e2e_install_defaults$' --output-on-failure >"$work/e2e.log" 2>&1
status=$?
grep -q "tests passed, 0 tests failed out of [1-9]" "$work/e2e.log" || status=1
[ $status -eq 0 ] || tail -40 "$work/e2e.log"
result "the signed $version setup installs under Wine" $status
finish
