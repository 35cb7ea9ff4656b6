#!/bin/bash
# Runs one Windows test program in a fresh copy of the template prefix, with Prinstall.exe
# and the stand-in media installed in C:\TORVA EPL Printer 2.X by the program itself
# (/prepare, from C:\Prinstall media), and exits with the test program's exit code.
#
#   run-in-fresh-prefix.sh --template DIR --name NAME --program Prinstall.exe --media DIR
#                          --artefacts DIR [--korean LOCALE_DIR] [--env NAME=VALUE]...
#                          [--setup SCRIPT] [--no-display] -- TEST.exe [ARGS...]
#
# SCRIPT (bash) runs once the copy holds the program and the media, before any Wine process
# starts, with WINEPREFIX set: for what a Windows program cannot make itself (links in the
# prefix's dosdevices to Unix files, devices or FIFOs).
#
# The copy lives in <template>/../runs/NAME.<pid> and is removed at the end, with its
# wineserver. While the test runs, `wineserver -p` keeps the prefix's service manager
# alive, so a service started by one program is still running for the next one.
#
# The test program finds its artefacts folder (a Windows path) in PRINSTALL_ARTEFACTS;
# .bmp files written there are converted to .png into the --artefacts folder afterwards
# (or into $PRINSTALL_ARTEFACTS_DIR when that is set).
#
# Display: an Xvfb of the test's own, so that parallel tests never overlap on one screen
# and screenshots show only this test's windows. PRINSTALL_TEST_DISPLAY=host uses $DISPLAY
# instead (to watch a test run). PRINSTALL_KEEP_PREFIX=1 keeps the prefix copy of a
# failed test for inspection.
#
# --no-display: no X display at all (DISPLAY unset, no Xvfb), as for an unattended run from
# a deployment tool. A program that tries to open a window then gets none, and Wine's
# diagnostics channel says so on the Unix standard error, each line headed by the process
# id ("00e4:00e8:err:winediag:..."): a Windows program's STARTUPINFO cannot catch that,
# because Wine hands every child its parent's Unix standard error. The test program's
# standard error therefore goes to a file that it can read as PRINSTALL_WINE_STDERR (a
# Windows path), and is shown on this script's standard error afterwards.
set -u

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tests/wine/wine-lib.sh
. "$here/wine-lib.sh"

usage() {
  sed -n '2,9p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

template= name= program= media= artefacts= locale_dir= no_display=
extra_env=()
setup=
while [ $# -gt 0 ]; do
  case $1 in
    --template) template=$2; shift 2 ;;
    --name) name=$2; shift 2 ;;
    --program) program=$2; shift 2 ;;
    --media) media=$2; shift 2 ;;
    --artefacts) artefacts=$2; shift 2 ;;
    --korean) locale_dir=$2; shift 2 ;;
    --env) extra_env+=("$2"); shift 2 ;;
    --setup) setup=$2; shift 2 ;;
    --no-display) no_display=1; shift ;;
    --) shift; break ;;
    *) usage ;;
  esac
done
[ -n "$template" ] && [ -n "$name" ] && [ -n "$program" ] && [ -n "$media" ] &&
  [ -n "$artefacts" ] && [ $# -ge 1 ] || usage
artefacts=${PRINSTALL_ARTEFACTS_DIR:-$artefacts}
# Wine takes only absolute prefix paths.
template=$(readlink -m "$template")
program=$(readlink -m "$program")
media=$(readlink -m "$media")
artefacts=$(readlink -m "$artefacts")
[ -z "$locale_dir" ] || locale_dir=$(readlink -m "$locale_dir")

for f in "$template/system.reg" "$program" "$media/Win32/UNIDRV.DLL"; do
  if [ ! -f "$f" ]; then
    echo "missing $f (build everything first, and run through ctest so the template fixture runs)" >&2
    exit 1
  fi
done

prinstall_wine_defaults
runs=$(dirname "$template")/runs
mkdir -p "$runs" "$artefacts"

# Copies left behind by a run that was killed (ctest's timeout kills with no chance to
# clean up): their runner's process id is gone. Ending their wineserver and Xvfb by the
# ids they recorded, then removing them, keeps the disk from filling up.
for stale in "$runs"/*.[0-9]*; do
  [ -d "$stale" ] || continue
  pid=${stale##*.}
  kill -0 "$pid" 2>/dev/null && continue
  WINEPREFIX=$stale/prefix timeout 10 wineserver -k 2>/dev/null
  if [ -f "$stale/xvfb.pid" ]; then
    xpid=$(cat "$stale/xvfb.pid")
    if [ "$(cat "/proc/$xpid/comm" 2>/dev/null)" = Xvfb ]; then
      kill "$xpid" 2>/dev/null
    fi
  fi
  rm -rf "$stale"
done

run=$runs/$name.$$
rm -rf "$run"
mkdir -p "$run/artefacts"
export WINEPREFIX=$run/prefix

server_started=
cleanup() {
  if [ -n "$server_started" ]; then
    wineserver -k 2>/dev/null
    timeout 20 wineserver -w 2>/dev/null
  fi
  prinstall_stop_xvfb
  if [ -n "${PRINSTALL_KEEP_PREFIX:-}" ] && [ "${rc:-1}" -ne 0 ]; then
    echo "prefix kept: $run/prefix" >&2
  else
    rm -rf "$run"
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Shared lock: the template is not rebooted while it is being copied.
if ! (flock -s 9 && cp -a "$template" "$WINEPREFIX") 9>"$template.lock"; then
  echo "could not copy the template prefix" >&2
  exit 1
fi

install_dir="$WINEPREFIX/drive_c/TORVA EPL Printer 2.X"
mkdir -p "$install_dir"
cp "$program" "$install_dir/Prinstall.exe"
cp -r "$media/." "$install_dir/"
if [ -n "$setup" ] && ! bash "$setup"; then
  echo "set-up script failed: $setup" >&2
  exit 1
fi

unset LC_ALL LC_CTYPE LC_MESSAGES LANGUAGE
if [ -n "$locale_dir" ]; then
  if [ ! -f "$locale_dir/ko_KR.UTF-8/LC_CTYPE" ]; then
    echo "Korean locale missing in $locale_dir" >&2
    exit 1
  fi
  # LOCPATH first: bash itself switches locale when LANG changes.
  export LOCPATH=$locale_dir
  export LANG=ko_KR.UTF-8
  prinstall_dialog_fonts "$WINEPREFIX" korean
else
  # Always present, unlike en_US.UTF-8; Wine gives it ANSI code page 1252.
  export LANG=C.UTF-8
  unset LOCPATH
fi
export PRINSTALL_ARTEFACTS
PRINSTALL_ARTEFACTS=$(prinstall_windows_path "$run/artefacts")
for kv in "${extra_env[@]}"; do
  export "${kv?}"
done

wine_stderr=
if [ -n "$no_display" ]; then
  unset DISPLAY
  export PRINSTALL_NO_DISPLAY=1
  export WINEDEBUG=$WINEDEBUG,err+winediag,+pid
  wine_stderr=$run/wine-stderr.log
  : >"$wine_stderr"
  export PRINSTALL_WINE_STDERR
  PRINSTALL_WINE_STDERR=$(prinstall_windows_path "$wine_stderr")
elif [ "${PRINSTALL_TEST_DISPLAY:-}" = host ] && [ -n "${DISPLAY:-}" ]; then
  :
else
  unset DISPLAY
  prinstall_start_xvfb || exit 1
  echo "$PRINSTALL_XVFB_PID" >"$run/xvfb.pid"
fi

wineserver -p
server_started=1

# The installation folder as a deployment makes it: the files laid out above (and changed by the
# set-up script) are the media a tool would have unpacked, in a folder of their own, and the
# program makes C:\TORVA EPL Printer 2.X from there for administrators only and records it
# (/prepare). Where the set-up script took the folder away, there is none to make.
if [ -d "$install_dir" ]; then
  media_dir="$WINEPREFIX/drive_c/Prinstall media"
  rm -rf "$media_dir"
  mv "$install_dir" "$media_dir"
  # With the test's own display settings: the prefix's first process starts its desktop.
  if ! "$here/wine-exec.sh" 'C:\Prinstall media\Prinstall.exe' /prepare >"$run/prepare.log" 2>&1; then
    cat "$run/prepare.log" >&2
    echo "Prinstall.exe /prepare failed" >&2
    exit 1
  fi
fi

if [ -n "$no_display" ]; then
  "$here/wine-exec.sh" "$@" 2>>"$wine_stderr"
  rc=$?
  cat "$wine_stderr" >&2
else
  "$here/wine-exec.sh" "$@"
  rc=$?
fi

# Screenshots: BMP is what GDI writes in a few lines; PNG is what people open.
shopt -s nullglob
for f in "$run/artefacts"/*; do
  base=$(basename "$f")
  case $base in
    *.bmp | *.BMP)
      if ! convert "$f" "$artefacts/${base%.*}.png"; then
        echo "could not convert $base" >&2
        cp "$f" "$artefacts/"
      fi
      ;;
    *) cp "$f" "$artefacts/" ;;
  esac
done

exit $rc
