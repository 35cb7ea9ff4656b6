#!/bin/bash
# Set-up of e2e.cli.released: puts a test release of the program (scripts/release.sh
# --stand-in, signed with a throw-away key) into the prefix's installation folder in place of
# the development build. It carries the digests of the stand-in media that the folder holds.
#
#   released-program.sh BUILD      (with WINEPREFIX set, as run-in-fresh-prefix.sh --setup runs it)
set -eu
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Prinstall test release" \
  -addext keyUsage=critical,digitalSignature -addext extendedKeyUsage=codeSigning \
  -keyout "$work/signer.key" -out "$work/signer.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/signer.key" -in "$work/signer.pem" -out "$work/signer.p12" \
  -passout pass:throwaway
if ! SIGN_PKCS12=$work/signer.p12 SIGN_PASSWORD=throwaway bash "$root/scripts/release.sh" --stand-in \
  "$work/release" "$1" >"$work/release.txt" 2>&1; then
  cat "$work/release.txt" >&2
  exit 1
fi
cp "$work/release/Prinstall.exe" "$WINEPREFIX/drive_c/TORVA EPL Printer 2.X/Prinstall.exe"
