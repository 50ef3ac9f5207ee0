#!/usr/bin/env bash
# Signs Windows programs in place with osslsigncode, when a certificate is given:
#   sign.sh <file>...
# ZELVANE_SIGN_PKCS12  the certificate with its private key (.pfx / .p12)
# ZELVANE_SIGN_PASSWORD  its password (may be empty)
# ZELVANE_SIGN_TIMESTAMP  optional: a time-stamping server's address, so signatures
#   outlive the certificate
# Without ZELVANE_SIGN_PKCS12 nothing is done, and the files stay as built.
set -euo pipefail
[ -n "${ZELVANE_SIGN_PKCS12:-}" ] || exit 0
[ -f "$ZELVANE_SIGN_PKCS12" ] || { echo "sign: no certificate at $ZELVANE_SIGN_PKCS12" >&2; exit 1; }
# The password goes through a file only this user can read, not the command line
# that every user of the machine can see.
pass=$(umask 077 && mktemp)
trap 'rm -f "$pass"' EXIT
printf '%s' "${ZELVANE_SIGN_PASSWORD:-}" > "$pass"
for f in "$@"; do
  args=(sign -pkcs12 "$ZELVANE_SIGN_PKCS12" -readpass "$pass" -n Zelvane -h sha256)
  [ -n "${ZELVANE_SIGN_TIMESTAMP:-}" ] && args+=(-ts "$ZELVANE_SIGN_TIMESTAMP")
  osslsigncode "${args[@]}" -in "$f" -out "$f.signed" >/dev/null
  mv "$f.signed" "$f"
done
