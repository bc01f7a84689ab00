#!/usr/bin/env bash
# Signs Setup.exe with a throwaway self-signed certificate made here, the way the vendor signs
# with theirs, and checks the signature against that certificate: it verifies, it does not
# verify against the machine's own list, and taking it off gives back the built bytes.
#   sign_test.sh SETUP_EXE SIGNED_EXE
set -euo pipefail
setup=$1 signed=$2
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$(dirname "$signed")
rm -rf "$work"
mkdir -p "$work"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Marbelo Test Vendor" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null

"$repo/scripts/sign.sh" --cert "$work/cert.pem" --key "$work/key.pem" --ca "$work/cert.pem" \
  -o "$signed" "$setup"
osslsigncode verify -in "$signed" -CAfile "$work/cert.pem" >"$work/verify.log" 2>&1 ||
  { cat "$work/verify.log"; echo "the signature does not verify"; exit 1; }
grep -q "Subject: /CN=Marbelo Test Vendor" "$work/verify.log" || { echo "signer not named"; exit 1; }
if "$repo/scripts/sign.sh" --cert "$work/cert.pem" --key "$work/key.pem" -o "$work/untrusted.exe" \
  "$setup" 2>/dev/null; then
  echo "a signature by an unknown vendor was taken as verified"; exit 1
fi
[ ! -e "$work/untrusted.exe" ] || { echo "a signature that failed left a file"; exit 1; }
osslsigncode remove-signature -in "$signed" -out "$work/unsigned.exe" >/dev/null
cmp "$setup" "$work/unsigned.exe"
echo "signed, verified, and the same bytes underneath"
