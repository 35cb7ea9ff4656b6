#!/bin/bash
# Runs a Windows program under Wine and exits with the program's exit code.
#
#   wine-exec.sh PROGRAM.exe [ARGS...]
#
# CMake uses this as the cross-compiling emulator, so ctest, gtest discovery and
# `cmake -E` runs of the Windows test programs all come through here.
#
# - WINEPREFIX: used when set. Otherwise a 32-bit prefix under the build tree that holds
#   PROGRAM (the nearest folder with a CMakeCache.txt, then wine/prefix-win32), booted on
#   first use; outside a build tree, build/wine/prefix-win32 of this repository. A prefix
#   given in WINEPREFIX is never booted or changed here: Wine creates it if it is missing.
# - DISPLAY: used when set. Otherwise an Xvfb of our own runs for the program's lifetime,
#   unless PRINSTALL_NO_DISPLAY=1 asks for no display at all.
# - WINEDEBUG: -all unless set, so only the program's own output shows.
set -u

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tests/wine/wine-lib.sh
. "$here/wine-lib.sh"

if [ $# -lt 1 ]; then
  echo "usage: $0 PROGRAM.exe [ARGS...]" >&2
  exit 2
fi

prinstall_wine_defaults

if [ -z "${WINEPREFIX:-}" ]; then
  build=
  dir=$(dirname "$(readlink -m "$1")")
  while [ "$dir" != / ]; do
    if [ -f "$dir/CMakeCache.txt" ]; then
      build=$dir
      break
    fi
    dir=$(dirname "$dir")
  done
  [ -n "$build" ] || build=$(cd "$here/../.." && pwd)/build
  export WINEPREFIX=$build/wine/prefix-win32
  prinstall_ensure_prefix "$WINEPREFIX" unmanaged || exit 1
fi

own_display=
if [ -z "${DISPLAY:-}" ] && [ -z "${PRINSTALL_NO_DISPLAY:-}" ]; then
  prinstall_start_xvfb || exit 1
  own_display=1
  trap prinstall_stop_xvfb EXIT
fi

wine "$@"
rc=$?
if [ -n "$own_display" ]; then
  # Wine's desktop process holds the display until the prefix's wineserver ends (a few
  # seconds after the last program); closing the display under it only makes noise.
  timeout 20 wineserver -w 2>/dev/null
fi
exit $rc
