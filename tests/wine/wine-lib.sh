# Shell helpers shared by the Wine scripts: sourced, never run on its own.
#
# Everything here works without a window manager or a desktop: Wine's windows are plain
# X windows on an Xvfb screen, and a prefix is a folder that `cp -a` can copy.

# Wine prints "fixme" and "err" channels on stderr by default; the tests only want the
# program's own output. Wine Mono and Gecko are not installed here, and booting a prefix
# would otherwise ask for them in a dialog that nobody can answer under Xvfb.
prinstall_wine_defaults() {
  export WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree=;mshtml=}
}

# The stamp of the Wine installation a prefix was booted with. Wine itself re-runs its
# set-up when wine.inf changes; a template with another stamp is booted anew.
prinstall_wine_stamp() {
  local inf
  printf '%s\n' "$(wine --version 2>/dev/null)"
  for inf in /usr/share/wine/wine.inf /usr/lib/wine/wine.inf /usr/local/share/wine/wine.inf; do
    if [ -f "$inf" ]; then
      stat -c %Y "$inf"
      break
    fi
  done
}

# Boots a prefix at $1 (32-bit, or 64-bit with $3 = win64) unless it exists and was booted by this Wine with the same
# options. Waits for the prefix's wineserver to end, so the prefix on disk is complete when
# this returns. Safe against a second caller (another ctest run, the run script) through a
# lock beside the prefix. Only prefixes booted here are ever rebooted: one that exists
# without our stamp (someone's own prefix) is used as it is.
#
# Wine draws the title bars itself in every prefix booted here (there is no window manager
# under Xvfb), so that screenshots show each window's title. With $2 = unmanaged, Wine also
# stops waiting for a window manager: without one, hiding a window otherwise waits 2 s for
# an answer that never comes, which makes every dialog that closes, and every message sent
# to it meanwhile, 2 s late. Prefixes meant for a desktop stay managed.
prinstall_ensure_prefix() {
  local prefix=$1 mode=${2:-managed} arch=${3:-win32} stamp
  stamp="$(prinstall_wine_stamp) $mode fonts $arch"
  prinstall_prefix_current() {
    [ -f "$prefix/system.reg" ] && [ ! -e "$prefix/.prinstall-booting" ] && {
      [ "$(cat "$prefix/.prinstall-stamp" 2>/dev/null)" = "$stamp" ] ||
        [ ! -e "$prefix/.prinstall-stamp" ]; }
  }
  prinstall_prefix_current && return 0
  mkdir -p "$(dirname "$prefix")"
  (
    flock -x 9
    prinstall_prefix_current && exit 0
    rm -rf "$prefix"
    mkdir -p "$prefix"
    : >"$prefix/.prinstall-booting"
    echo "Booting a $arch Wine prefix in $prefix ..." >&2
    local key='HKCU\Software\Wine\X11 Driver'
    # No display needed: wineboot shows no window when Mono and Gecko are switched off.
    if ! (unset DISPLAY; export WINEPREFIX=$prefix WINEARCH=$arch
          wineboot -i >/dev/null 2>&1 &&
          wine reg add "$key" /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1 &&
          { [ "$mode" != unmanaged ] ||
              wine reg add "$key" /v Managed /t REG_SZ /d N /f >/dev/null 2>&1; } &&
          wineserver -w); then
      echo "wineboot failed for $prefix" >&2
      exit 1
    fi
    [ -f "$prefix/system.reg" ] || { echo "wineboot left no registry in $prefix" >&2; exit 1; }
    prinstall_dialog_fonts "$prefix" english
    printf '%s\n' "$stamp" >"$prefix/.prinstall-stamp"
    rm -f "$prefix/.prinstall-booting"
  ) 9>"$prefix.lock"
}

# Puts the fonts that the dialogs' "MS Sans Serif" and "System" map to into a prefix, for a
# language.
# Debian's Wine does not find the fonts of the fonts-wine package by itself; without them
# the English dialogs fall back to a wider font that cuts their labels off. Those fonts have
# no Hangul, though, and Wine then draws Korean texts as bars where Korean Windows falls back
# to a Korean font: for Korean, the "MS Sans Serif" files are taken out again, so that Wine
# too falls back to a font that has Hangul (fonts-nanum).
prinstall_dialog_fonts() {
  local prefix=$1 language=$2 fonts=$1/drive_c/windows/Fonts
  [ -d /usr/share/wine/fonts ] && [ -d "$fonts" ] || return 0
  if [ "$language" = korean ]; then
    rm -f "$fonts"/ms_sans_serif.ttf "$fonts"/sserif*.fon "$fonts"/ssee*.fon "$fonts"/ssef*.fon
    # "System" (the IP address dialog's font) has no Hangul either, and no font of the host
    # takes its place by itself: its files go too, and Wine's replacement table names a
    # Hangul font for it, as Korean Windows' System font has Hangul. (A replacement is only
    # used for a name that no font file provides.)
    rm -f "$fonts"/system.ttf "$fonts"/vgasys*.fon "$fonts"/vgas[0-9]*.fon "$fonts"/?vgasys.fon
    printf '\n[Software\\\\Wine\\\\Fonts\\\\Replacements] 1700000000\n"System"="NanumGothic"\n' \
      >>"$prefix/user.reg"
  else
    cp -n /usr/share/wine/fonts/*.ttf /usr/share/wine/fonts/*.fon "$fonts/" 2>/dev/null
  fi
  return 0
}

# Starts an Xvfb on a free display and exports DISPLAY; PRINSTALL_XVFB_PID holds its id.
# The screen is 24-bit so that screenshots keep the program's colours; 1280 x 1024 unless
# PRINSTALL_XVFB_SCREEN says otherwise (WIDTHxHEIGHTx24: the high-DPI tests need more room).
prinstall_start_xvfb() {
  local fifo display=
  fifo=$(mktemp -u "${TMPDIR:-/tmp}/prinstall-xvfb.XXXXXX")
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 "${PRINSTALL_XVFB_SCREEN:-1280x1024x24}" -nolisten tcp -noreset 3>"$fifo" >/dev/null 2>&1 &
  PRINSTALL_XVFB_PID=$!
  # -displayfd writes the display number once the server accepts connections.
  read -r -t 30 display <"$fifo" || true
  rm -f "$fifo"
  if [ -z "$display" ]; then
    echo "Xvfb did not start" >&2
    prinstall_stop_xvfb
    return 1
  fi
  export DISPLAY=:$display
}

prinstall_stop_xvfb() {
  if [ -n "${PRINSTALL_XVFB_PID:-}" ]; then
    kill "$PRINSTALL_XVFB_PID" 2>/dev/null
    wait "$PRINSTALL_XVFB_PID" 2>/dev/null
    PRINSTALL_XVFB_PID=
  fi
}

# A Unix path as a Windows path through Wine's drive Z: (which maps to /).
prinstall_windows_path() {
  local p
  p=$(readlink -m "$1")
  printf 'Z:%s\n' "${p//\//\\}"
}
