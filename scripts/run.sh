#!/bin/bash
# Builds Prinstall.exe and the stand-in media, has the program install both into C:\TORVA EPL Printer 2.X
# of a 32-bit Wine prefix, starts the program from there and leaves a screenshot of its
# main dialog.
#
#   bash scripts/run.sh [--korean] [--keep]
#
#   --korean  run under LANG=ko_KR.UTF-8 (ANSI code page 949: Korean texts)
#   --keep    leave the program running until its window is closed (needs $DISPLAY)
#
# The prefix lives in $PRINSTALL_WINEPREFIX, by default ~/.local/share/prinstall/wine, and
# is created on first use, reused afterwards. The program shows on $DISPLAY when it is set,
# otherwise on an Xvfb of its own. The screenshot goes to build/win32/artefacts/run-*.png.
# Safe to run again.
set -eu

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=tests/wine/wine-lib.sh
. "$root/tests/wine/wine-lib.sh"

korean= keep=
for arg in "$@"; do
  case $arg in
    --korean) korean=1 ;;
    --keep) keep=1 ;;
    *) sed -n '2,17p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//' >&2; exit 2 ;;
  esac
done

bash "$root/scripts/setup.sh"

cd "$root"
. scripts/stale-cache.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target Prinstall prinstall_media
build=$root/build/win32

prinstall_wine_defaults
export WINEPREFIX=${PRINSTALL_WINEPREFIX:-$HOME/.local/share/prinstall/wine}
prinstall_ensure_prefix "$WINEPREFIX"

# The media as a deployment tool would unpack them; the program makes its installation folder
# from there itself (/prepare, below), for administrators only.
install_dir="$WINEPREFIX/drive_c/TORVA EPL Printer 2.X"
media_dir="$WINEPREFIX/drive_c/Prinstall media"
rm -rf "$media_dir"
mkdir -p "$media_dir"
cp "$build/Prinstall.exe" "$media_dir/"
cp -r "$build/media/." "$media_dir/"

shot_name=run-en
unset LC_ALL
if [ -n "$korean" ]; then
  bash "$root/tests/wine/korean-locale.sh" "$(dirname "$WINEPREFIX")/locale" >/dev/null
  export LOCPATH=$(dirname "$WINEPREFIX")/locale
  export LANG=ko_KR.UTF-8
  shot_name=run-ko
  prinstall_dialog_fonts "$WINEPREFIX" korean
else
  export LANG=C.UTF-8
  prinstall_dialog_fonts "$WINEPREFIX" english
fi

if [ -z "${DISPLAY:-}" ]; then
  [ -z "$keep" ] || { echo "--keep needs a display (\$DISPLAY)" >&2; exit 2; }
  prinstall_start_xvfb
  echo "no \$DISPLAY: running on an Xvfb of its own ($DISPLAY)"
fi

wine 'C:\Prinstall media\Prinstall.exe' /prepare || { echo "Prinstall.exe /prepare failed" >&2; exit 1; }
echo "installed into $install_dir"

program_pid=
finish() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null
  timeout 20 wineserver -w 2>/dev/null
  prinstall_stop_xvfb
}
trap finish EXIT

# Started from its installation folder, which Wine makes the current directory C:\...
(cd "$install_dir" && exec wine 'C:\TORVA EPL Printer 2.X\Prinstall.exe') &
program_pid=$!

# Both titles, English and Korean, carry "EPL"; Wine gives each top-level window an X
# window with that name.
window=
for _ in $(seq 1 600); do
  window=$(xwininfo -root -tree 2>/dev/null | awk '/"[^"]*EPL[^"]*"/ { print $1; exit }')
  [ -n "$window" ] && break
  kill -0 "$program_pid" 2>/dev/null || { echo "Prinstall.exe ended before its window showed" >&2; exit 1; }
  sleep 0.1
done
if [ -z "$window" ]; then
  echo "no Prinstall window after 60 s" >&2
  exit 1
fi
sleep 2   # let it finish painting

mkdir -p "$build/artefacts"
shot=$build/artefacts/$shot_name.png
import -window "$window" "$shot"
echo "main dialog shown; screenshot: $shot"

if [ -n "$keep" ]; then
  echo "close the window to end"
  wait "$program_pid" || true
  program_pid=
fi
