#!/bin/bash
# Builds the Windows Installer package OUT.msi from Prinstall.exe, its custom actions
# PrinstallMsi.dll (CUSTOMACTIONS) and the installation media folder MEDIA (every file in it,
# in its layout), with version VERSION (MAJOR.MINOR, the program's: the build number is added
# as the third field, see below).
#
#   build-msi.sh WXS PROGRAM CUSTOMACTIONS MEDIA VERSION OUT
#
# PRINSTALL_BUILD_NUMBER (2 to 65535) is the build number, required for the real media; a
# package of stand-in media takes the number of commits of the source tree's git history
# without it.
set -eu
[ $# -eq 6 ] || { sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
wxs=$(readlink -m "$1") program=$(readlink -m "$2") actions=$(readlink -m "$3") media=$(readlink -m "$4")
version=$5 out=$(readlink -m "$6")
[ -f "$media/Win32/UNIDRV.DLL" ] || { echo "no installation media in $media" >&2; exit 1; }
[[ $version =~ ^[0-9]+\.[0-9]+$ ]] || { echo "the version is MAJOR.MINOR, not $version" >&2; exit 2; }
# The build number, the version's third field. Windows Installer compares the first three
# fields of ProductVersion only (a fourth is ignored), so the third counts the builds: each
# build is a newer version, with a product code of its own, and replaces an earlier build by
# the major upgrade. It must stay above 1: the first package of 4.70 was 4.70.1.
#
# A package of the real media takes its number from whoever builds it (a build server's
# counter, given as PRINSTALL_BUILD_NUMBER), never from the checkout: a clone's commit count
# depends on its depth (a shallow clone of any commit counts 1, the first package's number),
# and a commit's date gives the builds of one day one number. Two different builds of one
# version would be one product to Windows Installer. Stand-in packages, which have an upgrade
# code of their own and never meet a release, keep the commit count.
standin=0
grep -rqa 'PRINSTALL STAND-IN' "$media" && standin=1
if [ -n "${PRINSTALL_BUILD_NUMBER:-}" ]; then
  build=$PRINSTALL_BUILD_NUMBER
  [[ $build =~ ^[0-9]+$ ]] && [ "$build" -ge 2 ] && [ "$build" -le 65535 ] \
    || { echo "PRINSTALL_BUILD_NUMBER is 2 to 65535 (4.70 and 4.70.1 were the first packages), not '$build'" >&2; exit 1; }
elif [ "$standin" = 1 ]; then
  build=$(git -C "$(dirname "$wxs")" rev-list --count HEAD 2>/dev/null || true)
  [[ $build =~ ^[0-9]+$ ]] && [ "$build" -le 65535 ] \
    || { echo "no build number (PRINSTALL_BUILD_NUMBER, or a git history): '$build'" >&2; exit 1; }
else
  echo "a package of the real media needs PRINSTALL_BUILD_NUMBER (2 to 65535, the build server's counter)" >&2
  exit 1
fi
version=$version.$build
# Stand-in media (tools/media/build-media.sh) carry a marker in every module: a package of them
# says so in its name and has an upgrade code of its own, so that it never upgrades, nor is
# upgraded by, a package of the real media (scripts/release.sh refuses them).
if [ "$standin" = 1 ]; then
  name='TORVA EPL Printer 2.X (stand-in media)'
  upgrade=07A6A199-617B-48F4-9C19-FF09EBF05B7B
else
  name='TORVA EPL Printer 2.X'
  # The upgrade code, the same for every version of the package: never change it.
  upgrade=948F6725-81D4-44D4-928E-415D371039A8
fi

work=$(mktemp -d "$(dirname "$out")/.msi.XXXXXX")
trap 'rm -rf "$work"' EXIT
# The media's files as components of the installation folder, in a stable order.
(cd "$media" && find . -type f | sed 's|^\./||' | LC_ALL=C sort) |
  wixl-heat --prefix "" --directory-ref INSTALLDIR --component-group Media --var var.MediaDir \
    >"$work/media.wxs"
# One product code per version (build number included), the same whenever that version is
# built again: the same build is the same product (not a second one beside it), a newer one
# replaces it.
product=$(python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.UUID(sys.argv[1]), sys.argv[2])).upper())' \
  "$upgrade" "$version")
# wixl takes the files' sources relative to the folder it runs in.
ln -s "$program" "$work/Prinstall.exe"
ln -s "$actions" "$work/PrinstallMsi.dll"
ln -s "$media" "$work/media"
(cd "$work" && wixl --arch x86 -D Version="$version" -D UpgradeCode="$upgrade" -D ProductCode="$product" \
  -D ProductName="$name" \
  -D Program=Prinstall.exe -D CustomActions=PrinstallMsi.dll -D MediaDir=media -o out.msi "$wxs" media.wxs)
# The public properties the program's command line is built from, secured: in a managed
# installation (elevated by policy for a user who is not an administrator) Windows Installer
# passes only restricted public properties to the installation's server side. wixl writes the
# SecureCustomProperties row itself for MajorUpgrade's properties; these join them. Not LOG:
# secured, it would let that user have the program, as SYSTEM, create or append to a file of
# their choosing anywhere; an administrator's own msiexec (or a transform) still passes it.
secure='PORT;USB;IP;IPPORT;COPIES;QUEUENAME;CODEPAGE;USBWAIT;DEFAULTS'
current=$(msiinfo export "$work/out.msi" Property | awk -F'\t' '$1 == "SecureCustomProperties" { print $2 }')
if [ -n "$current" ]; then
  msibuild "$work/out.msi" -q "UPDATE \`Property\` SET \`Value\` = '$current;$secure' WHERE \`Property\` = 'SecureCustomProperties'"
else
  msibuild "$work/out.msi" -q "INSERT INTO \`Property\` (\`Property\`, \`Value\`) VALUES ('SecureCustomProperties', '$secure')"
fi
# The rollback action (UndoInstall): wixl 0.101 writes Execute="rollback" as an immediate
# action. Its type, as Windows Installer documents the bits: a DLL in the Binary table (1),
# return code ignored (64: a failed take-back must not stop the rest of the rollback),
# rollback (256), in the script (1024), not impersonated (2048).
found=$(msiinfo export "$work/out.msi" CustomAction | awk -F'\t' '$1 == "UndoInstall" { print $2 }')
[ -n "$found" ] || { echo "no custom action UndoInstall in the package" >&2; exit 1; }
msibuild "$work/out.msi" -q "UPDATE \`CustomAction\` SET \`Type\` = 3393 WHERE \`Action\` = 'UndoInstall'"
# wixl 0.101 marks every custom action "no impersonation" (2048), the immediate ones too, where
# Windows Installer ignores it and validation warns: only the deferred ones (1024) keep it.
msiinfo export "$work/out.msi" CustomAction | tail -n +4 | cut -f1,2 | while IFS=$'\t' read -r action type; do
  if (( (type & 2048) && !(type & 1024) )); then
    msibuild "$work/out.msi" -q "UPDATE \`CustomAction\` SET \`Type\` = $((type & ~2048)) WHERE \`Action\` = '$action'"
  fi
done
# Every program and library with its version in the File table (file-versions.py): the
# installation folder's layout is the media's, with the program at its root.
mkdir "$work/folder"
cp -r "$media/." "$work/folder/"
cp "$program" "$work/folder/Prinstall.exe"
python3 "$(dirname "$(readlink -f "$0")")/file-versions.py" "$work/out.msi" "$work/folder" "$version"
mv "$work/out.msi" "$out"
