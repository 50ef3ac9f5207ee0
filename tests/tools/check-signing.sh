#!/usr/bin/env bash
# Signs the 64-bit package with a throw-away certificate made here and checks every
# signature with osslsigncode: the programs in the zip, the installer, and the
# uninstaller the installer writes. A changed byte must break a signature.
#   check-signing.sh <program icon>
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
icon=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "check-signing: $*" >&2; exit 1; }

openssl req -x509 -newkey rsa:2048 -nodes -keyout "$tmp/key.pem" -out "$tmp/cert.pem" -days 2 \
  -subj "/CN=Zelvane throw-away signer" -addext "extendedKeyUsage=codeSigning" 2>/dev/null
openssl pkcs12 -export -in "$tmp/cert.pem" -inkey "$tmp/key.pem" -out "$tmp/signer.pfx" -passout pass:einmal
PACKAGE_DIR=$tmp/out ZELVANE_SIGN_PKCS12=$tmp/signer.pfx ZELVANE_SIGN_PASSWORD=einmal \
  bash "$root/tools/package.sh" win64 "$icon" >/dev/null

verify() {
  osslsigncode verify -CAfile "$tmp/cert.pem" -in "$1" > "$tmp/verify.log" 2>&1 &&
    grep -q "Zelvane throw-away signer" "$tmp/verify.log"
}
setup=$(ls "$tmp"/out/Zelvane-*-win64-setup.exe)
zipfile=$(ls "$tmp"/out/Zelvane-*-win64.zip)
(cd "$tmp" && unzip -q "$zipfile")
checked=0
for f in "$tmp"/Zelvane/*.exe "$tmp"/Zelvane/*.dll $(ls "$tmp"/Zelvane/x86/*.dll 2>/dev/null) "$setup" "$tmp/out/work/win64/uninstall.exe"; do
  [ -f "$f" ] || fail "$(basename "$f") was not made"
  verify "$f" || { cat "$tmp/verify.log" >&2; fail "$(basename "$f") is not signed by the given certificate"; }
  checked=$((checked + 1))
done
[ "$checked" -ge 5 ] || fail "only $checked files were checked"

# The check itself: a file changed after signing no longer verifies.
cp "$tmp/Zelvane/Pagewick.exe" "$tmp/changed.exe"
printf 'x' | dd of="$tmp/changed.exe" bs=1 seek=4096 conv=notrunc 2>/dev/null
verify "$tmp/changed.exe" && fail "a changed program still verifies"
echo "signed and verified: $checked files (programs, installer, uninstaller)"
