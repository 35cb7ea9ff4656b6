#!/bin/bash
# Checks a stand-in media folder built by build-media.sh: every file of the layout is
# there, each module has the bitness of its folder and a marker naming its own folder and
# file, no two modules are alike, the configuration modules and the port monitor's two
# modules export what a spooler calls, and the GPD template has its three rewritten lines
# where the installer expects them.
#
#   check-media.sh MEDIA_DIR
set -u

if [ $# -ne 1 ]; then
  echo "usage: $0 MEDIA_DIR" >&2
  exit 2
fi
media=$1
objdump=${PRINSTALL_OBJDUMP:-x86_64-w64-mingw32-objdump}
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# folder|file|format (pei-i386, pei-x86-64 or text)
layout='
Win32|UNIDRV.DLL|pei-i386
Win32|UNIDRV.HLP|text
Win32|UNIDRVUI.DLL|pei-i386
Win32|UNIRES.DLL|pei-i386
Win32|STDNAMES.GPD|text
Win32|TVLabel.GPD|text
Win32|TVLabel.DLL|pei-i386
Win32|TVLabelE.DLL|pei-i386
Win32|TVLabelUI.DLL|pei-i386
Win32|TVPortMon.dll|pei-i386
Win32|TVPortMonUI.dll|pei-i386
Win32\Korean|UNIDRVUI.DLL|pei-i386
Win32\Korean|UNIRES.DLL|pei-i386
Win64|STDNAMES.GPD|text
Win64|TVLabel.GPD|text
Win64|TVLabel.DLL|pei-x86-64
Win64|TVLabelE.DLL|pei-x86-64
Win64|TVLabelUI.DLL|pei-x86-64
Win64|TVPortMon.dll|pei-x86-64
Win64|TVPortMonUI.dll|pei-x86-64
Win64\2003|UNIDRV.DLL|pei-x86-64
Win64\2003|UNIDRV.HLP|text
Win64\2003|UNIDRVUI.DLL|pei-x86-64
Win64\2003|UNIRES.DLL|pei-x86-64
Win64\2003\Korean|UNIDRVUI.DLL|pei-x86-64
Win64\2003\Korean|UNIRES.DLL|pei-x86-64
Win64\Itanium|TVPortMon.dll|pei-x86-64
Win64\Itanium|TVPortMonUI.dll|pei-x86-64
'

expected=0
markers=()
while IFS='|' read -r folder file format; do
  [ -n "$folder" ] || continue
  expected=$((expected + 1))
  path=$media/${folder//\\//}/$file
  if [ ! -s "$path" ]; then
    fail "$folder\\$file missing or empty"
    continue
  fi
  case $format in
    pei-*)
      actual=$("$objdump" -f "$path" 2>/dev/null | sed -n 's/.*file format \(pei-[a-z0-9-]*\).*/\1/p')
      [ "$actual" = "$format" ] || fail "$folder\\$file is ${actual:-not a PE module}, expected $format"
      marker=$(grep -a -o 'PRINSTALL STAND-IN | [^|]* | [^|]* | [^|]* | [A-Za-z]*' "$path" | head -n 1)
      case $marker in
        "PRINSTALL STAND-IN | $folder | $file | "*) markers+=("$marker") ;;
        *) fail "$folder\\$file carries marker '${marker:-none}'" ;;
      esac
      language=${marker##*| }
      case $folder in
        *Korean) [ "$language" = Korean ] || fail "$folder\\$file is not marked Korean" ;;
        *) [ "$language" != Korean ] || fail "$folder\\$file is marked Korean" ;;
      esac
      # Undecorated names: the spooler looks them up by these.
      case $file in
        UNIDRVUI.DLL) wanted='DrvDocumentPropertySheets DrvDriverEvent' ;;
        TVPortMon.dll) wanted=InitializePrintMonitor2 ;;
        TVPortMonUI.dll) wanted=InitializePrintMonitorUI ;;
        *) wanted= ;;
      esac
      if [ -n "$wanted" ]; then
        exports=$("$objdump" -p "$path" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p')
        for name in $wanted; do
          grep -q "\] $name\$" <<<"$exports" || fail "$folder\\$file does not export $name"
        done
      fi
      ;;
    text)
      grep -q $'\r$' "$path" || fail "$folder\\$file lacks Windows line ends"
      ;;
  esac
done <<<"$layout"

actual_count=$(find "$media" -type f | wc -l)
[ "$actual_count" -eq "$expected" ] || fail "$actual_count files in $media, the layout has $expected"

duplicates=$(printf '%s\n' "${markers[@]}" | sort | uniq -d)
[ -z "$duplicates" ] || fail "modules that cannot be told apart: $duplicates"

# The installer replaces lines 2, 5 and 7 of the template by position.
for set in Win32 Win64; do
  gpd=$media/$set/TVLabel.GPD
  [ -f "$gpd" ] || continue
  [ "$(wc -l <"$gpd")" -ge 7 ] || fail "$set\\TVLabel.GPD has fewer than 7 lines"
  line() { sed -n "${1}p" "$gpd" | tr -d '\r'; }
  [[ $(line 2) == '*GPDFileName: '* ]] || fail "$set\\TVLabel.GPD line 2 is not *GPDFileName"
  [[ $(line 5) == '*ModelName: '* ]] || fail "$set\\TVLabel.GPD line 5 is not *ModelName"
  [[ $(line 7) == '*ResourceDLL: '* ]] || fail "$set\\TVLabel.GPD line 7 is not *ResourceDLL"
done

if [ "$failures" -ne 0 ]; then
  echo "$failures problem(s) in $media"
  exit 1
fi
echo "media layout complete: $expected files, $(printf '%s\n' "${markers[@]}" | wc -l) distinct modules"
