#!/bin/bash
# Makes a signed release in OUT from a built win32 tree (build/win32 unless BUILD is given):
# Prinstall.exe and the package's custom actions (PrinstallMsi.dll) are signed first, the
# Windows Installer package is then built from the signed files, and the package is signed
# last, so that the package, the program it installs and the code it runs all carry the
# signature.
#
#   bash scripts/release.sh OUT [BUILD]
#
# The key and the options come from the environment, as for scripts/sign.sh. Build the tree
# first (cmake --build --preset win32); the package takes the same media and version as the
# tree's own build/win32/Prinstall.msi.
set -eu
[ $# -ge 1 ] && [ $# -le 2 ] || { sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=$(readlink -m "$1")
build=$(readlink -m "${2:-$root/build/win32}")
cache() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
[ -f "$build/Prinstall.exe" ] && [ -f "$build/PrinstallMsi.dll" ] && [ -f "$build/CMakeCache.txt" ] \
  || { echo "release.sh: no built program in $build (cmake --build --preset win32)" >&2; exit 1; }
version=$(cache PRINSTALL_PACKAGE_VERSION)
media=$(cache PRINSTALL_MSI_MEDIA)

mkdir -p "$out"
rm -f "$out/Prinstall.exe" "$out/PrinstallMsi.dll" "$out/Prinstall.msi"
cp "$build/Prinstall.exe" "$build/PrinstallMsi.dll" "$out/"
bash "$root/scripts/sign.sh" "$out/Prinstall.exe" "$out/PrinstallMsi.dll"
bash "$root/tools/msi/build-msi.sh" "$root/tools/msi/Prinstall.wxs" "$out/Prinstall.exe" \
  "$out/PrinstallMsi.dll" "$media" "$version" "$out/Prinstall.msi"
bash "$root/scripts/sign.sh" "$out/Prinstall.msi"
echo "release.sh: signed Prinstall.exe, PrinstallMsi.dll and Prinstall.msi in $out (version $version)"
