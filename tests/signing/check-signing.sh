#!/bin/bash
# Signs a copy of the custom actions (PrinstallMsi.dll) with scripts/sign.sh and a throw-away
# self-signed code-signing certificate (the program as built, whose list of media is empty,
# is refused), then checks the signature with osslsigncode verify: valid and
# covering the file against that certificate as the root, refused for want of a trusted root
# otherwise (the digest still matching), and refused as broken once a byte of the file
# changed. Also: no key means a refusal that names what to set, the PKCS#11 command line, a
# plain release of the tree's stand-in media refused, and a test release made by
# scripts/release.sh --stand-in: the program signed with the digests of its media in it, the
# package built from the signed program and then signed itself; media lacking a file refused.
# No network: no timestamp server. The last line is the one scripts/test.sh summarises.
#
#   bash tests/signing/check-signing.sh build/win32/Prinstall.exe
set -u
scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/scripts
sign=$scripts/sign.sh
build=$(dirname "$(readlink -m "$1")")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
cp "$1" unsigned-program.exe && cp "$build/PrinstallMsi.dll" actions.dll && cp actions.dll unsigned.dll || exit 1
failures=()
check() { # DESCRIPTION COMMAND...: records a failure when COMMAND fails
  if "${@:2}"; then echo "ok: $1"; else echo "FAILED: $1"; failures+=("$1"); fi
}

for name in signer other; do
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Prinstall test $name" \
    -addext keyUsage=critical,digitalSignature -addext extendedKeyUsage=codeSigning \
    -keyout $name.key -out $name.pem 2>/dev/null || exit 1
done
openssl pkcs12 -export -inkey signer.key -in signer.pem -out signer.p12 -passout pass:throwaway \
  || exit 1

env -u SIGN_PKCS12 -u SIGN_PKCS11_MODULE -u SIGN_PKCS11_KEY -u SIGN_CERT \
  bash "$sign" actions.dll 2>refusal.txt
refused=$?
refuses() { [ $refused -ne 0 ] && grep -q SIGN_PKCS12 refusal.txt && cmp -s actions.dll unsigned.dll; }
check "without a key sign.sh refuses, naming SIGN_PKCS12" refuses
touch opensc-pkcs11.so
SIGN_DRY_RUN=1 SIGN_PKCS11_MODULE=opensc-pkcs11.so SIGN_PKCS11_KEY='pkcs11:object=Signing' \
  SIGN_CERT=signer.pem bash "$sign" actions.dll >pkcs11.txt
check "with a PKCS#11 token the module, key URI and certificate go to osslsigncode" grep -q \
  'sign -pkcs11module opensc-pkcs11.so -key pkcs11:object=Signing -certs signer.pem -h sha256 ' \
  pkcs11.txt

# The program as built carries an empty list of its media's digests: signed, it would check
# nothing. Only release.sh's program, with the list filled, is signed.
cp unsigned-program.exe Prinstall.exe
SIGN_PKCS12=signer.p12 SIGN_PASSWORD=throwaway bash "$sign" Prinstall.exe 2>empty-list.txt
empty_list=$?
refuses_empty_list() {
  [ $empty_list -ne 0 ] && grep -q 'empty list of shipped media' empty-list.txt && cmp -s Prinstall.exe unsigned-program.exe
}
check "sign.sh refuses a program whose list of shipped media is empty" refuses_empty_list
rm Prinstall.exe
SIGN_PKCS12=signer.p12 SIGN_PASSWORD=throwaway SIGN_DESCRIPTION=Prinstall bash "$sign" \
  actions.dll || exit 1
in_place() { ! cmp -s actions.dll unsigned.dll && [ -z "$(find . -name '.*' ! -name .)" ]; }
check "signed in place, nothing left beside it" in_place

# osslsigncode verify FILE ROOT LOG, and whether the digest it finds in the signature is the
# one it calculates from the file.
verify() { osslsigncode verify -in "$1" -CAfile "$2" >"$3" 2>&1; }
# A package's signature names its digest "DigitalSignature" where a program's says "message
# digest".
digests_match() {
  local what=${2:-message digest} current
  current=$(sed -n "s/^Current $what *: *//p" "$1")
  [ -n "$current" ] && [ "$current" = "$(sed -n "s/^Calculated $what *: *//p" "$1")" ]
}
trusted() {
  verify actions.dll signer.pem trusted.txt && grep -q 'Signature verification: ok' trusted.txt \
    && digests_match trusted.txt && grep -q '^Message digest algorithm *: SHA256' trusted.txt
}
untrusted() { ! verify actions.dll other.pem untrusted.txt && digests_match untrusted.txt; }
broken() {
  ! verify flipped.exe signer.pem flipped.txt && ! digests_match flipped.txt \
    && grep -q MISMATCH flipped.txt
}
# A byte in the middle of the program's own code and data, which the signature covers.
middle=$(($(stat -c %s unsigned.dll) / 2))
cp actions.dll flipped.exe
byte=$(od -An -tu1 -j $middle -N1 flipped.exe)
printf "\\$(printf %o $((byte ^ 0xff)))" | dd of=flipped.exe bs=1 seek=$middle conv=notrunc status=none
check "valid SHA-256 signature over the file, the throw-away certificate as root" trusted
check "untrusted root refused, the digest still matching" untrusted
check "a flipped byte refused as a digest mismatch" broken

# The tree's media are stand-ins: a release of them is refused unless asked for as a test one.
SIGN_PKCS12=signer.p12 SIGN_PASSWORD=throwaway bash "$scripts/release.sh" refused "$build" \
  >refused.txt 2>&1
stand_in_refused=$?
refuses_stand_in() { [ $stand_in_refused -ne 0 ] && grep -q -- --stand-in refused.txt && [ ! -e refused/Prinstall.msi ]; }
check "release.sh refuses stand-in media without --stand-in" refuses_stand_in
SIGN_PKCS12=signer.p12 SIGN_PASSWORD=throwaway bash "$scripts/release.sh" --stand-in release "$build" \
  >release.txt 2>&1
released=$?
release_signed() {
  [ $released -eq 0 ] && verify release/Prinstall.exe signer.pem release-exe.txt \
    && verify release/PrinstallMsi.dll signer.pem release-dll.txt \
    && verify release/Prinstall.msi signer.pem release-msi.txt \
    && digests_match release-msi.txt DigitalSignature
}
carries_signed_program() {
  mkdir -p extracted && (cd extracted && msiextract ../release/Prinstall.msi >/dev/null) \
    && cmp -s "extracted/TORVA EPL Printer 2.X/Prinstall.exe" release/Prinstall.exe \
    && ! cmp -s release/Prinstall.exe unsigned-program.exe
}
check "a release's program, custom actions and package verify" release_signed
check "the released package carries the signed program" carries_signed_program
# The signed program carries the digests of the media it copies; media lacking one make none.
media=$(sed -n 's/^PRINSTALL_MSI_MEDIA:[A-Z]*=//p' "$build/CMakeCache.txt")
carries_digests() {
  grep -qaF "$(printf 'Win64\\2003\\Korean\\UNIRES.DLL\t%s' \
    "$(sha256sum "$media/Win64/2003/Korean/UNIRES.DLL" | cut -d' ' -f1)")" release/Prinstall.exe
}
check "the released program lists the SHA-256 of the media it copies" carries_digests
mkdir -p lacking && cp "$build/Prinstall.exe" "$build/PrinstallMsi.dll" lacking/ && cp -r "$media" lacking/media \
  && rm lacking/media/Win64/2003/Korean/UNIRES.DLL || exit 1
sed "s|^PRINSTALL_MSI_MEDIA:\([A-Z]*\)=.*|PRINSTALL_MSI_MEDIA:\1=$work/lacking/media|" "$build/CMakeCache.txt" \
  >lacking/CMakeCache.txt
SIGN_PKCS12=signer.p12 SIGN_PASSWORD=throwaway bash "$scripts/release.sh" --stand-in lacking-release lacking \
  >lacking.txt 2>&1
lacking=$?
refuses_lacking() {
  [ $lacking -ne 0 ] && grep -qF 'Win64\2003\Korean\UNIRES.DLL' lacking.txt && [ ! -e lacking-release/Prinstall.exe ]
}
check "release.sh refuses media lacking a file the program copies" refuses_lacking

if [ ${#failures[@]} -gt 0 ]; then
  for f in *.txt; do echo "--- $f" && cat "$f"; done
  printf 'signing: FAILED: %s\n' "$(printf '%s; ' "${failures[@]}" | sed 's/; $//')"
  exit 1
fi
echo "signing: a signed copy verifies (SHA-256, throw-away certificate); an untrusted root" \
  "and a flipped byte are refused; a release lists its media's digests in the program, signs it," \
  "then the package built from it"
