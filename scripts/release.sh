#!/bin/bash
# Makes a signed release in OUT from a built win32 tree (build/win32 unless BUILD is given):
# Prinstall.exe and the package's custom actions (PrinstallMsi.dll) are signed first, the
# Windows Installer package is then built from the signed files, and the package is signed
# last, so that the package, the program it installs and the code it runs all carry the
# signature.
#
#   bash scripts/release.sh [--stand-in] OUT [BUILD]
#
# The key and the options come from the environment, as for scripts/sign.sh. Build the tree
# first (cmake --build --preset win32); the package takes the same media and version as the
# tree's own build/win32/Prinstall.msi, with the build number build-msi.sh gives it
# (PRINSTALL_BUILD_NUMBER, or the git history's commit count). Stand-in media (the tree's
# default) make no release: --stand-in makes a test release of them all the same, a package
# named "... (stand-in media)" with an upgrade code of its own.
set -eu
standin=0
if [ "${1:-}" = --stand-in ]; then
  standin=1
  shift
fi
[ $# -ge 1 ] && [ $# -le 2 ] || { sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=$(readlink -m "$1")
build=$(readlink -m "${2:-$root/build/win32}")
cache() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
[ -f "$build/Prinstall.exe" ] && [ -f "$build/PrinstallMsi.dll" ] && [ -f "$build/CMakeCache.txt" ] \
  || { echo "release.sh: no built program in $build (cmake --build --preset win32)" >&2; exit 1; }
version=$(cache PRINSTALL_PACKAGE_VERSION)
media=$(cache PRINSTALL_MSI_MEDIA)
# The marker every stand-in module carries (tools/media/build-media.sh), as build-msi.sh tells.
if [ "$standin" = 0 ] && grep -rqa 'PRINSTALL STAND-IN' "$media"; then
  echo "release.sh: $media holds stand-in media, not the driver's: configure the tree with" \
    "-DPRINSTALL_MSI_MEDIA=DIR (the real media), or give --stand-in for a test release" >&2
  exit 1
fi

mkdir -p "$out"
rm -f "$out/Prinstall.exe" "$out/PrinstallMsi.dll" "$out/Prinstall.msi"
cp "$build/Prinstall.exe" "$build/PrinstallMsi.dll" "$out/"
bash "$root/scripts/sign.sh" "$out/Prinstall.exe" "$out/PrinstallMsi.dll"
bash "$root/tools/msi/build-msi.sh" "$root/tools/msi/Prinstall.wxs" "$out/Prinstall.exe" \
  "$out/PrinstallMsi.dll" "$media" "$version" "$out/Prinstall.msi"
bash "$root/scripts/sign.sh" "$out/Prinstall.msi"
shipped=$(msiinfo export "$out/Prinstall.msi" Property | awk -F'\t' '$1 == "ProductVersion" { print $2 }')
echo "release.sh: signed Prinstall.exe, PrinstallMsi.dll and Prinstall.msi in $out (version $shipped)"
