#!/usr/bin/env bash
# Signs one Windows program with Authenticode (osslsigncode), for the build.
#
#   sign.sh --pkcs12 FILE --password-file FILE [--timestamp URL] [--description TEXT]
#           [--url URL] [--remove FILE]... IN OUT
#
# The password is read from its file by osslsigncode and openssl themselves: it never
# appears on a command line or in the output. Before signing, the certificate is checked:
# the password must open the PKCS#12 file, which must hold a key and a certificate that is
# valid now and allowed to sign code. OUT is written only when everything succeeded; before
# anything else OUT and every --remove FILE (the setup that the signed file goes into) are
# deleted, so a failure never leaves an unsigned or stale file where a signed one belongs.
set -uo pipefail

pkcs12="" password_file="" timestamp="" description="" url=""
remove=()
while [ $# -gt 2 ]; do
  case $1 in
  --pkcs12) pkcs12=$2 ;;
  --password-file) password_file=$2 ;;
  --timestamp) timestamp=$2 ;;
  --description) description=$2 ;;
  --url) url=$2 ;;
  --remove) remove+=("$2") ;;
  *) break ;;
  esac
  shift 2
done
if [ $# -ne 2 ] || [ -z "$pkcs12" ] || [ -z "$password_file" ]; then
  echo "usage: sign.sh --pkcs12 FILE --password-file FILE [--timestamp URL] [--description TEXT] [--url URL] [--remove FILE]... IN OUT" >&2
  exit 2
fi
in=$1 out=$2
name=$(basename "$out")

fail() {
  echo "signing $name failed: $*" >&2
  rm -f "$out"
  [ -n "${work:-}" ] && rm -rf "$work"
  exit 1
}

rm -f "$out" "${remove[@]}"
[ -r "$pkcs12" ] || fail "can't read the certificate file $pkcs12 (CORVALE_SIGN_PKCS12)"
[ -r "$password_file" ] || fail "can't read the password file $password_file (CORVALE_SIGN_PASSWORD_FILE)"
[ -r "$in" ] || fail "can't read $in"
work=$(mktemp -d "$(dirname "$out")/.sign-XXXXXX") || fail "can't make a temporary folder beside $out"

# The certificate alone, unlocked with the password file (openssl reads its first line, as
# osslsigncode does). PKCS#12 files of older tools need OpenSSL's legacy algorithms.
certificate=$work/certificate.pem
if ! openssl pkcs12 -in "$pkcs12" -passin "file:$password_file" -nokeys -clcerts -out "$certificate" 2>/dev/null &&
  ! openssl pkcs12 -legacy -in "$pkcs12" -passin "file:$password_file" -nokeys -clcerts -out "$certificate" 2>/dev/null; then
  fail "$pkcs12 can't be opened with the password in $password_file: a wrong password, or not a PKCS#12 file"
fi
grep -q "BEGIN CERTIFICATE" "$certificate" || fail "$pkcs12 holds no certificate of its own key"
subject=$(openssl x509 -in "$certificate" -noout -subject 2>/dev/null)
usage=$(openssl x509 -in "$certificate" -noout -ext extendedKeyUsage 2>/dev/null)
case $usage in
*"Code Signing"*) ;;
*) fail "the certificate ($subject) is not allowed to sign code: its extended key usage lacks Code Signing" ;;
esac
openssl x509 -in "$certificate" -noout -checkend 0 >/dev/null 2>&1 ||
  fail "the certificate ($subject) has expired"
now=$(date +%s)
not_before=$(date -d "$(openssl x509 -in "$certificate" -noout -startdate | cut -d= -f2)" +%s 2>/dev/null) ||
  fail "the certificate's start date can't be read"
[ "$not_before" -le "$now" ] || fail "the certificate ($subject) is not valid yet"

options=(-pkcs12 "$pkcs12" -readpass "$password_file" -h sha256)
[ -n "$description" ] && options+=(-n "$description")
[ -n "$url" ] && options+=(-i "$url")
[ -n "$timestamp" ] && options+=(-ts "$timestamp")
signed=$work/signed
log=$work/log
if ! osslsigncode sign "${options[@]}" -in "$in" -out "$signed" >"$log" 2>&1; then
  fail "osslsigncode: $(grep -v '^$' "$log" | head -5 | tr '\n' ' ')"
fi
chmod 755 "$signed"
mv "$signed" "$out" || fail "can't write $out"
rm -rf "$work"
