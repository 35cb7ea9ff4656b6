#!/bin/bash
# Builds the proof kit, OUT/Prinstall-proof-<version>.zip, from a built win32 tree (build/win32
# unless BUILD is given): the release (Prinstall.exe, PrinstallMsi.dll and Prinstall.msi, made
# by scripts/release.sh and signed), the Windows test programs that the Wine test bed runs,
# what they need (the development program and the media the installation folder holds in the
# tests, the packages the package tests install), suites.tsv derived from the tree's ctest
# entries, prinstall-proof.exe and proof.cmd.
#
#   bash scripts/proof-kit.sh OUT [BUILD]
#
# The release is signed with the key of scripts/sign.sh's environment when one is given, else
# with a throw-away key made here; stand-in media make a test release (release.sh --stand-in).
# On a PC: unzip, then from an elevated command prompt `proof.cmd /disposable`.
set -eu
[ $# -ge 1 ] && [ $# -le 2 ] || { sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=$(readlink -m "$1")
build=$(readlink -m "${2:-$root/build/win32}")
for f in Prinstall.exe PrinstallMsi.dll Prinstall.msi prinstall-proof.exe tests/e2e/prinstall_e2e_win.exe \
  tests/e2e/Prinstall-next.msi tests/e2e/Prinstall-failing.msi media/Win32/UNIDRV.DLL; do
  [ -f "$build/$f" ] || { echo "proof-kit.sh: $build/$f is missing (cmake --build --preset win32)" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
kit=$work/kit
mkdir -p "$kit/tests" "$kit/media" "$kit/package" "$kit/release" "$out"

# The release as scripts/release.sh makes it.
media=$(sed -n 's/^PRINSTALL_MSI_MEDIA:[A-Z]*=//p' "$build/CMakeCache.txt")
standin=
grep -rqa 'PRINSTALL STAND-IN' "$media" && standin=--stand-in
if [ -z "${SIGN_PKCS12:-}${SIGN_KEY:-}" ]; then
  openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj "/CN=Prinstall proof kit" \
    -addext keyUsage=critical,digitalSignature -addext extendedKeyUsage=codeSigning \
    -keyout "$work/signer.key" -out "$work/signer.pem" 2>/dev/null
  openssl pkcs12 -export -inkey "$work/signer.key" -in "$work/signer.pem" -out "$work/signer.p12" \
    -passout pass:throwaway
  export SIGN_PKCS12=$work/signer.p12 SIGN_PASSWORD=throwaway
fi
bash "$root/scripts/release.sh" $standin "$kit/release" "$build" >"$work/release.txt" 2>&1 ||
  { cat "$work/release.txt" >&2; exit 1; }
version=$(msiinfo export "$kit/release/Prinstall.msi" Property | awk -F'\t' '$1 == "ProductVersion" { print $2 }' | tr -d '\r')

# The suites, from the ctest entries that run a test program in a fresh prefix.
ctest --test-dir "$build" --show-only=json-v1 >"$work/ctest.json"
python3 - "$work/ctest.json" "$root/tools/proof/on-windows.tsv" "$kit/suites.tsv" "$work/programs.txt" <<'PY'
import fnmatch, json, ntpath, os, sys

tests = json.load(open(sys.argv[1]))["tests"]
rules = []
for line in open(sys.argv[2], encoding="utf-8"):
    line = line.rstrip("\n")
    if line and not line.startswith("#"):
        rules.append(line.split("\t"))
setups = {"msi-setup.sh": "msi", "released-setup.sh": "released", "usb-printers.sh": "usb"}
rows, programs = [], set()
for test in tests:
    command = test.get("command") or []
    if len(command) < 2 or not command[1].endswith("run-in-fresh-prefix.sh"):
        continue
    options, program, args = command[2:command.index("--")], command[command.index("--") + 1], command[command.index("--") + 2:]
    props = {p["name"]: p["value"] for p in test.get("properties", [])}
    flags, env, setup = [], [], ""
    i = 0
    while i < len(options):
        o = options[i]
        if o == "--korean": flags.append("korean"); i += 2; continue
        if o == "--no-display": flags.append("no_display"); i += 1; continue
        if o == "--env": env.append(options[i + 1]); i += 2; continue
        if o == "--setup":
            name = os.path.basename(options[i + 1])
            setup = setups.get(name, name)
            i += 2; continue
        if o == "--template" and options[i + 1].endswith("win64"): flags.append("win64")
        i += 2
    filters = [a[len("--gtest_filter="):] for a in args if a.startswith("--gtest_filter=")]
    if len(args) != len(filters):
        sys.exit("proof-kit.sh: %s passes arguments other than a gtest filter: %s" % (test["name"], args))
    # The first rule of each kind that names the suite.
    found = {}
    for pattern, kind, patterns, reason in rules:
        if kind not in ("skip", "exclude", "restart", "leave-out"):
            sys.exit("proof-kit.sh: on-windows.tsv: unknown kind " + kind)
        if fnmatch.fnmatchcase(test["name"], pattern) and kind not in found:
            found[kind] = (patterns, reason)
    wine_only = found.get("skip", ("", ""))[1]
    exclude, exclude_reason = found.get("exclude", ("", ""))
    restart = found.get("restart", ("", ""))[1]
    leave_out, leave_out_reason = found.get("leave-out", ("", ""))
    if setup not in ("", "msi", "released") and not wine_only:
        wine_only = "its set-up script (%s) runs under Wine only" % setup
    programs.add(program)
    rows.append([test["name"], ntpath.basename(program.replace("/", "\\")), filters[0] if filters else "",
                 str(int(float(props.get("TIMEOUT", 300)))), ",".join(flags), "|".join(env), setup, wine_only,
                 exclude, exclude_reason, restart, leave_out, leave_out_reason])
with open(sys.argv[3], "w", encoding="utf-8", newline="\r\n") as f:
    f.write("# The suites of this kit, one a line, in the order they run (tab-separated): name, test program,\n"
            "# gtest filter, time limit in seconds, flags, environment, set-up, why it is skipped on Windows,\n"
            "# gtest patterns left out on Windows, why, why a deletion at the next restart is expected,\n"
            "# gtest patterns the kit leaves out anywhere, why.\n")
    for row in rows:
        f.write("\t".join(row) + "\n")
open(sys.argv[4], "w").write("\n".join(sorted(programs)) + "\n")
print("proof-kit.sh: %d suites" % len(rows))
PY

# The test programs and what they find beside themselves.
while read -r program; do
  cp "$program" "$kit/tests/"
  dir=$(dirname "$program")
  for sub in probe planted; do
    [ -d "$dir/$sub" ] && cp -r "$dir/$sub" "$kit/tests/"
  done
done <"$work/programs.txt"
# The installation folder as the tests expect it: the development program and the media.
cp "$build/Prinstall.exe" "$kit/media/"
cp -r "$build/media/." "$kit/media/"
cp "$build/Prinstall.msi" "$build/tests/e2e/Prinstall-next.msi" "$build/tests/e2e/Prinstall-failing.msi" "$kit/package/"
cp "$build/prinstall-proof.exe" "$kit/"
sed 's/$/\r/' "$root/tools/proof/proof.cmd" >"$kit/proof.cmd"
printf '%s\r\n' "$version" >"$kit/VERSION"

zip="$out/Prinstall-proof-$version.zip"
rm -f "$zip"
(cd "$kit" && zip -qr "$zip" .)
echo "proof-kit.sh: $zip"
