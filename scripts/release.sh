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
# tree's own build/win32/Prinstall.msi, with the build number PRINSTALL_BUILD_NUMBER (2 to
# 65535, required for the real media: see build-msi.sh). Stand-in media (the tree's default)
# make no release: --stand-in makes a test release of them all the same, a package named
# "... (stand-in media)" with an upgrade code of its own.
#
# Before signing, the SHA-256 of every media file that the program copies into the system
# folder or the driver folder (tools/media/copied-media.txt) goes into the program's block of
# shipped media (src/install/media_check.cpp), so that the signature covers the list; media
# that lack one of those files, or a list that names none, make no release.
set -eu
standin=0
if [ "${1:-}" = --stand-in ]; then
  standin=1
  shift
fi
[ $# -ge 1 ] && [ $# -le 2 ] || { sed -n '2,20p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
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
# The program with the list of its media's digests, written over the zeros of its block (the
# same length, so nothing else in the file moves); nothing is written when a file is missing
# or the block is not found exactly once.
python3 - "$build/Prinstall.exe" "$out/Prinstall.exe" "$media" "$root/tools/media/copied-media.txt" <<'EOF'
import hashlib, os, sys

program, released, media, names = sys.argv[1:5]
marker = b"PRINSTALL SHIPPED MEDIA SHA-256\n"
block_size = 8192  # kBlockSize in src/install/media_check.cpp, the marker line included


def refuse(text):
    sys.exit("release.sh: " + text)


# Windows does not tell letter cases apart: a file is found whatever case the media spell it in.
found = {}
for folder, _, files in os.walk(media):
    for name in files:
        path = os.path.join(folder, name)
        found[os.path.relpath(path, media).replace("/", "\\").lower()] = path
lines, missing = [], []
for name in open(names, encoding="utf-8").read().splitlines():
    if not name or name.startswith("#"):
        continue
    if name.lower() not in found:
        missing.append(name)
        continue
    with open(found[name.lower()], "rb") as f:
        lines.append("%s\t%s\n" % (name, hashlib.sha256(f.read()).hexdigest()))
if missing:
    refuse("%s lacks media files the program copies: %s" % (media, ", ".join(missing)))
# A program with an empty list checks nothing and says so only as a development build does.
if not lines:
    refuse("%s names no media file: a program signed with an empty list would verify nothing" % names)

with open(program, "rb") as f:
    data = bytearray(f.read())
if data.count(marker) != 1:
    refuse("%s holds the block of shipped media %d times, not once" % (program, data.count(marker)))
start = data.find(marker) + len(marker)
end = start - len(marker) + block_size
# A fresh block holds zeros; one filled before holds a list and then zeros.
if end > len(data) or b"\0" in bytes(data[start:end]).rstrip(b"\0"):
    refuse("%s: what follows the marker is not the block of shipped media" % program)
listed = "".join(lines).encode("ascii")
if len(listed) > end - start:
    refuse("the list of shipped media (%d bytes) does not fit its block (%d)" % (len(listed), end - start))
data[start:end] = listed.ljust(end - start, b"\0")
with open(released, "wb") as f:
    f.write(data)
print("release.sh: %d media files listed in %s" % (len(lines), released))
EOF
chmod --reference="$build/Prinstall.exe" "$out/Prinstall.exe"
cp "$build/PrinstallMsi.dll" "$out/"
bash "$root/scripts/sign.sh" "$out/Prinstall.exe" "$out/PrinstallMsi.dll"
bash "$root/tools/msi/build-msi.sh" "$root/tools/msi/Prinstall.wxs" "$out/Prinstall.exe" \
  "$out/PrinstallMsi.dll" "$media" "$version" "$out/Prinstall.msi"
bash "$root/scripts/sign.sh" "$out/Prinstall.msi"
shipped=$(msiinfo export "$out/Prinstall.msi" Property | awk -F'\t' '$1 == "ProductVersion" { print $2 }')
echo "release.sh: signed Prinstall.exe, PrinstallMsi.dll and Prinstall.msi in $out (version $shipped)"
