#!/bin/bash
# Signs Windows files in place with an Authenticode signature (SHA-256) made by osslsigncode:
# Prinstall.exe, and any other PE file or MSI package osslsigncode takes. A file already
# signed gets the new signature instead of its old one.
#
#   bash scripts/sign.sh FILE...
#
# The key comes from the environment, either
#   SIGN_PKCS12          a PKCS#12 file holding the key and the certificate chain,
#   SIGN_PASSWORD        its password;
# or from a hardware token or HSM through its PKCS#11 module:
#   SIGN_PKCS11_MODULE   the module (e.g. /usr/lib/x86_64-linux-gnu/opensc-pkcs11.so),
#   SIGN_PKCS11_KEY      the key's pkcs11: URI,
#   SIGN_CERT            the certificate (and its chain), PEM or DER,
#   SIGN_PASSWORD        the token's PIN, when the URI does not carry it.
# Optional:
#   SIGN_TIMESTAMP_URL   an RFC 3161 timestamp server, so that the signature stays valid after
#                        the certificate expires,
#   SIGN_DESCRIPTION     the program name Windows shows in the elevation prompt,
#   SIGN_URL             the address it links to,
#   SIGN_DRY_RUN=1       prints the osslsigncode command for each file and changes nothing.
#
# A program that carries the block of shipped media's digests (Prinstall.exe) is signed only
# once scripts/release.sh has filled it: with the block empty, the signed program would check
# no medium before copying it into the system folders. Each file is signed into a temporary
# file beside it, which then replaces it: an interrupted run leaves the file as it was. Exits non-zero, naming what is missing, when no key is
# configured; nothing is signed then.
set -eu

fail() {
  echo "sign.sh: $*" >&2
  exit 1
}

[ $# -gt 0 ] || fail "usage: bash scripts/sign.sh FILE..."
dry_run=${SIGN_DRY_RUN:-0}
[ "$dry_run" = 1 ] || command -v osslsigncode >/dev/null \
  || fail "osslsigncode is not installed (bash scripts/setup.sh installs it)"

pkcs12=${SIGN_PKCS12:-}
module=${SIGN_PKCS11_MODULE:-}
key=${SIGN_PKCS11_KEY:-}
cert=${SIGN_CERT:-}
if [ -n "$pkcs12" ] && [ -n "$module$key" ]; then
  fail "both SIGN_PKCS12 and SIGN_PKCS11_MODULE/SIGN_PKCS11_KEY are set: choose one key"
fi
if [ -n "$pkcs12" ]; then
  [ -f "$pkcs12" ] || fail "SIGN_PKCS12: no such file: $pkcs12"
  [ -n "${SIGN_PASSWORD+set}" ] || fail "SIGN_PASSWORD is not set (the password of $pkcs12)"
  key_options=(-pkcs12 "$pkcs12")
elif [ -n "$module$key$cert" ]; then
  missing=()
  [ -n "$module" ] || missing+=(SIGN_PKCS11_MODULE)
  [ -n "$key" ] || missing+=(SIGN_PKCS11_KEY)
  [ -n "$cert" ] || missing+=(SIGN_CERT)
  [ ${#missing[@]} -eq 0 ] || fail "signing with a PKCS#11 token needs $(IFS=,; echo "${missing[*]}" | sed 's/,/, /g') as well"
  [ -f "$module" ] || fail "SIGN_PKCS11_MODULE: no such file: $module"
  [ -f "$cert" ] || fail "SIGN_CERT: no such file: $cert"
  key_options=(-pkcs11module "$module" -key "$key" -certs "$cert")
else
  fail "no signing key: set SIGN_PKCS12 and SIGN_PASSWORD, or SIGN_PKCS11_MODULE," \
    "SIGN_PKCS11_KEY and SIGN_CERT"
fi

options=(-h sha256)
[ -z "${SIGN_DESCRIPTION:-}" ] || options+=(-n "$SIGN_DESCRIPTION")
[ -z "${SIGN_URL:-}" ] || options+=(-i "$SIGN_URL")
[ -z "${SIGN_TIMESTAMP_URL:-}" ] || options+=(-ts "$SIGN_TIMESTAMP_URL")

for file in "$@"; do
  [ -f "$file" ] || fail "no such file: $file"
  # The marker line followed by a zero byte: a block of shipped media that holds no list.
  if python3 -c '
import sys
data = open(sys.argv[1], "rb").read()
marker = b"PRINSTALL SHIPPED MEDIA SHA-256\n"
at = data.find(marker)
sys.exit(0 if at >= 0 and data[at + len(marker):at + len(marker) + 1] in (b"\0", b"") else 1)
' "$file"; then
    fail "$file carries an empty list of shipped media: sign the program scripts/release.sh made"
  fi
done

# The password goes to osslsigncode in a file only this user can read, not on its command
# line, where every user of the machine could see it.
private=$(mktemp -d)
temporary=
trap 'rm -rf "$private" ${temporary:+"$temporary"}' EXIT
trap 'exit 1' INT TERM HUP
if [ -n "${SIGN_PASSWORD:-}" ]; then
  printf '%s' "$SIGN_PASSWORD" >"$private/password"
  key_options+=(-readpass "$private/password")
fi

for file in "$@"; do
  # osslsigncode writes no file that exists already: it writes into a folder of its own
  # beside the file, on the same file system, so that the signed file replaces it in one move.
  beside=$(dirname "$file")/.signing.XXXXXX
  command=(osslsigncode sign "${key_options[@]}" "${options[@]}" -in "$file")
  if [ "$dry_run" = 1 ]; then
    printf '%q ' "${command[@]}" -out "$beside/$(basename "$file")"
    echo
    continue
  fi
  temporary=$(mktemp -d "$beside")
  signed=$temporary/$(basename "$file")
  if ! "${command[@]}" -out "$signed" >"$private/log" 2>&1; then
    cat "$private/log" >&2
    fail "signing $file failed (above: what osslsigncode said); the file is unchanged"
  fi
  chmod --reference="$file" "$signed"
  mv -f "$signed" "$file"
  rmdir "$temporary"
  temporary=
  echo "sign.sh: signed $file"
done
