#!/usr/bin/env bash
# Signs Setup.exe with the vendor's code-signing certificate. Windows warns about an unsigned
# program downloaded from the internet; a signed one shows the vendor's name instead. The
# uninstaller is a copy of the program, so it is signed along with it.
#
#   scripts/sign.sh --cert CERT --key KEY [--pass-file FILE] [--timestamp URL] [--ca CA_FILE]
#                   [-o SIGNED_EXE] SETUP_EXE
#
# CERT is the certificate (chain) in PEM or DER, KEY its private key; --pass-file names a file
# holding the key's password. --timestamp asks an RFC 3161 time-stamping server to countersign,
# so that the signature stays valid after the certificate expires. Without -o the file is signed
# in place. The signature is then verified, against --ca when given (for a certificate that the
# machine's own list does not know, such as a test certificate).
set -euo pipefail

usage() { sed -n '5,6p' "$0" | sed 's/^# *//' >&2; exit 2; }
cert="" key="" pass_file="" timestamp="" ca="" out="" in=""
while [ $# -gt 0 ]; do
  case "$1" in
    --cert) cert=${2:?}; shift 2 ;;
    --key) key=${2:?}; shift 2 ;;
    --pass-file) pass_file=${2:?}; shift 2 ;;
    --timestamp) timestamp=${2:?}; shift 2 ;;
    --ca) ca=${2:?}; shift 2 ;;
    -o) out=${2:?}; shift 2 ;;
    -h|--help) usage ;;
    -*) echo "sign.sh: unknown option $1" >&2; usage ;;
    *) [ -z "$in" ] || usage; in=$1; shift ;;
  esac
done
[ -n "$cert" ] && [ -n "$key" ] && [ -n "$in" ] || usage
for f in "$cert" "$key" "$in" ${pass_file:+"$pass_file"} ${ca:+"$ca"}; do
  [ -r "$f" ] || { echo "sign.sh: cannot read $f" >&2; exit 1; }
done
command -v osslsigncode >/dev/null || { echo "sign.sh: osslsigncode is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }

target=${out:-$in}
signed=$(mktemp "$(dirname "$(realpath "$target")")/.signing.XXXXXX")
trap 'rm -f "$signed"' EXIT
args=(sign -certs "$cert" -key "$key" -h sha256 -n "Marbelo Orbit Setup" -in "$in" -out "$signed")
[ -n "$pass_file" ] && args+=(-readpass "$pass_file")
[ -n "$timestamp" ] && args+=(-ts "$timestamp")
# osslsigncode will not write over an existing file: it signs into a fresh one, moved into place
# only once the signature verifies.
rm -f "$signed"
osslsigncode "${args[@]}" >/dev/null || { echo "sign.sh: signing $in failed" >&2; exit 1; }
if ! osslsigncode verify -in "$signed" ${ca:+-CAfile "$ca"} >"$signed.log" 2>&1; then
  cat "$signed.log" >&2
  rm -f "$signed.log"
  echo "sign.sh: the signature of $in does not verify" >&2
  exit 1
fi
rm -f "$signed.log"
chmod --reference="$in" "$signed"
mv -f "$signed" "$target"
echo "signed: $target"
