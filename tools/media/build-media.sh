#!/bin/bash
# Builds the stand-in installation media into OUTDIR, in the layout that Prinstall.exe
# reads from its installation folder:
#
#   Win32               UNIDRV.DLL UNIDRV.HLP UNIDRVUI.DLL UNIRES.DLL STDNAMES.GPD TVLabel.GPD
#                       TVLabel.DLL TVLabelE.DLL TVLabelUI.DLL TVPortMon.dll TVPortMonUI.dll
#   Win32\Korean        UNIDRVUI.DLL UNIRES.DLL
#   Win64               STDNAMES.GPD TVLabel.GPD TVLabel.DLL TVLabelE.DLL TVLabelUI.DLL
#                       TVPortMon.dll TVPortMonUI.dll
#   Win64\2003          UNIDRV.DLL UNIDRV.HLP UNIDRVUI.DLL UNIRES.DLL
#   Win64\2003\Korean   UNIDRVUI.DLL UNIRES.DLL
#   Win64\Itanium       TVPortMon.dll TVPortMonUI.dll
#
#   build-media.sh OUTDIR
#
# Every DLL is a tiny module built here with the MinGW-w64 compilers (32-bit for Win32,
# 64-bit for Win64; no compiler makes Itanium code, so the Itanium folder holds the 64-bit
# port monitor again), carrying the marker "PRINSTALL STAND-IN | <folder> | <file> | <role> |
# <language>". The driver modules come from standin.c and do nothing; TVPortMon.dll is a
# working port monitor (portmon.c) that gives the spooler the port "USB/TORVA Label Port",
# and TVPortMonUI.dll its user-interface module (portmonui.c). Nothing here comes from a
# real driver package.
set -eu

if [ $# -ne 1 ]; then
  echo "usage: $0 OUTDIR" >&2
  exit 2
fi
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
out=$(readlink -m "$1")
cc32=${PRINSTALL_CC32:-i686-w64-mingw32-gcc-posix}
cc64=${PRINSTALL_CC64:-x86_64-w64-mingw32-gcc-posix}

# Built next to OUTDIR and swapped in at the end, so a reader never sees half a media.
mkdir -p "$(dirname "$out")"
work=$(mktemp -d "$(dirname "$out")/.media.XXXXXX")
trap 'rm -rf "$work"' EXIT

# module BITS FOLDER FILE ROLE LANGUAGE [config|monitor|monitor-ui]
module() {
  local bits=$1 folder=$2 file=$3 role=$4 language=$5 kind=${6:-}
  local cc entry marker dir source=$here/standin.c flags=() libs=(-lkernel32)
  if [ "$bits" = 32 ]; then
    cc=$cc32
    entry=_DllMain@12
    flags+=(-Wl,--kill-at)   # plain export names, as GetProcAddress looks them up
  else
    cc=$cc64
    entry=DllMain
  fi
  case $kind in
    config) flags+=(-DSTANDIN_CONFIG_MODULE) ;;
    monitor) source=$here/portmon.c; libs+=(-lwinspool) ;;
    monitor-ui) source=$here/portmonui.c ;;
  esac
  marker="PRINSTALL STAND-IN | $folder | $file | $role | $language"
  marker=${marker//\\/\\\\}   # a C string literal: the folder's backslashes doubled
  dir=$work/${folder//\\//}
  mkdir -p "$dir"
  # In the background: two dozen small links take half the time on two cores.
  "$cc" -O2 -s -shared -nostdlib -Wall -Wextra "-DSTANDIN_MARKER=\"$marker\"" "${flags[@]}" \
    "-Wl,-e,$entry" -o "$dir/$file" "$source" "${libs[@]}" &
  jobs_started+=($!)
}
jobs_started=()

# text SOURCE FOLDER FILE: a text file of the media, with Windows line ends.
text() {
  local dir=$work/${2//\\//}
  mkdir -p "$dir"
  sed 's/\r$//; s/$/\r/' "$1" >"$dir/$3"
}

# help FOLDER FILE: the help file is only copied around; a marker is all it holds.
help() {
  local dir=$work/${1//\\//}
  mkdir -p "$dir"
  printf 'PRINSTALL STAND-IN | %s | %s | Unidrv help file | English\r\n' "$1" "$2" >"$dir/$2"
}

# One driver set per processor family. The shared Unidrv core of the 64-bit set lies in
# Win64\2003, the label printer's own files in Win64 itself.
driver_set() {
  local bits=$1 own=$2 core=$3
  module "$bits" "$core" UNIDRV.DLL "Unidrv rendering module" English
  help "$core" UNIDRV.HLP
  module "$bits" "$core" UNIDRVUI.DLL "Unidrv user-interface module" English config
  module "$bits" "$core" UNIRES.DLL "Unidrv resource module" English
  module "$bits" "$core\\Korean" UNIDRVUI.DLL "Unidrv user-interface module" Korean config
  module "$bits" "$core\\Korean" UNIRES.DLL "Unidrv resource module" Korean
  text "$here/STDNAMES.GPD" "$own" STDNAMES.GPD
  text "$here/TVLabel.GPD" "$own" TVLabel.GPD
  module "$bits" "$own" TVLabel.DLL "label printer resource module" neutral
  module "$bits" "$own" TVLabelE.DLL "label printer rendering plug-in" neutral
  module "$bits" "$own" TVLabelUI.DLL "label printer user-interface plug-in" neutral
}

# port_monitor BITS FOLDER: the label printer's port monitor and its user-interface module.
port_monitor() {
  module "$1" "$2" TVPortMon.dll "port monitor" neutral monitor
  module "$1" "$2" TVPortMonUI.dll "port monitor user-interface module" neutral monitor-ui
}

driver_set 32 Win32 Win32
port_monitor 32 Win32
driver_set 64 Win64 'Win64\2003'
port_monitor 64 Win64
# Itanium: no MinGW-w64 compiler makes IA-64 code, so this is the x64 monitor once more.
port_monitor 64 'Win64\Itanium'
for job in "${jobs_started[@]}"; do
  wait "$job" || { echo "building a stand-in module failed" >&2; exit 1; }
done

rm -rf "$out"
mv "$work" "$out"
trap - EXIT
chmod -R a+rX "$out"
echo "stand-in media in $out: $(find "$out" -type f | wc -l) files"
