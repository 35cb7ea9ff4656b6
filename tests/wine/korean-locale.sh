#!/bin/bash
# Compiles the C library's ko_KR.UTF-8 locale into DIR (a ctest fixture: once per build).
#
#   korean-locale.sh DIR
#
# Wine takes the ANSI code page from the C library's locale: LANG=ko_KR.UTF-8 gives code
# page 949 only when that locale exists, and Debian ships only its sources (package
# `locales`). LOCPATH=DIR points the C library at the compiled copy.
set -u
if [ $# -ne 1 ]; then
  echo "usage: $0 DIR" >&2
  exit 2
fi
dir=$1
if [ -f "$dir/ko_KR.UTF-8/LC_CTYPE" ]; then
  echo "Korean locale present in $dir"
  exit 0
fi
mkdir -p "$dir"
# localedef exits 1 for mere warnings; the compiled files are what counts.
localedef -i ko_KR -f UTF-8 "$dir/ko_KR.UTF-8.tmp.$$" >/dev/null 2>&1
if [ ! -f "$dir/ko_KR.UTF-8.tmp.$$/LC_CTYPE" ]; then
  rm -rf "$dir/ko_KR.UTF-8.tmp.$$"
  echo "localedef could not build ko_KR.UTF-8 (is the 'locales' package installed?)" >&2
  exit 1
fi
rm -rf "$dir/ko_KR.UTF-8"
mv "$dir/ko_KR.UTF-8.tmp.$$" "$dir/ko_KR.UTF-8"
echo "Korean locale compiled into $dir"
