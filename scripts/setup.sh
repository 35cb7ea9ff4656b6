#!/bin/bash
# Installs what building and testing need on Debian 12: the Linux and MinGW-w64 compilers,
# CMake and Ninja, GoogleTest's sources, Wine (32- and 64-bit), Xvfb and the X tools for
# screenshots, ImageMagick, the Korean locale sources and fonts, Python, and osslsigncode and
# OpenSSL for signing (scripts/sign.sh) and its test, wixl and msitools for the Windows
# Installer package.
#
# Safe to run again: when every package is present it does nothing, not even apt-get update.
# Needs root (or sudo) only when something is missing.
set -eu

packages=(
  cmake ninja-build g++ python3 googletest clang-format clang-tidy
  mingw-w64 g++-mingw-w64-i686-win32 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  wine wine64 wine32:i386 fonts-wine
  xvfb xauth x11-apps x11-utils imagemagick
  locales fonts-nanum
  osslsigncode openssl
  wixl msitools
)

missing=()
for p in "${packages[@]}"; do
  if [ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)" != "install ok installed" ]; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

echo "setup: installing ${missing[*]}"
sudo=
if [ "$(id -u)" -ne 0 ]; then
  sudo=sudo
fi
# wine32 is an i386 package.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
# Without recommends: Wine's recommended libraries (sound, video, GL) are not needed under
# Xvfb, and this is the set the tests are proven with.
$sudo apt-get install -y --no-install-recommends "${packages[@]}"
