# Shared by scripts/test, scripts/run-demo and scripts/wine-run: the X display,
# the Wine prefix and Wine's language. Source it; it defines functions, among
# them wine, wineboot and wineserver, which run the real commands in Spanish
# once wine_env has run (see wine_spanish). It sets only WINE_LOCALE, empty.

# Starts a private Xvfb on a free display from :90 up and exports DISPLAY.
# A number that another server takes first makes ours fail; the next is tried.
# The screen is 1280x1024 unless given (as WxH).
start_xvfb() {
  local n i size=${1:-1280x1024}
  for n in $(seq 90 189); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    for i in $(seq 50); do
      if ! kill -0 "$XVFB_PID" 2>/dev/null; then
        break
      fi
      if xdpyinfo -display ":$n" >/dev/null 2>&1; then
        export DISPLAY=":$n"
        return 0
      fi
      sleep 0.1
    done
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=
  done
  echo "Xvfb did not start" >&2
  return 1
}

# Ends the Wine programs of our prefix (they draw on our display) and the Xvfb.
stop_xvfb() {
  [ -n "${XVFB_PID:-}" ] || return 0
  wineserver -k >/dev/null 2>&1 || true
  kill "$XVFB_PID" 2>/dev/null || true
  wait "$XVFB_PID" 2>/dev/null || true
  XVFB_PID=
}

# The project's Wine settings; WINEPREFIX may be set by the caller.
wine_env() {
  local root=$1
  export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix}
  export WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
  wine_spanish "$root/build/locale"
}

# Wine runs in Spanish, as on the Windows systems the wizard is for: its message
# boxes read "Sí" and "No", and the ANSI code page stays 1252 (the readme on the
# medium is Windows-1252). Wine takes its language from the C library's locale.
# LANG naming a locale that is not generated does nothing (Wine stays English);
# LC_ALL naming one makes Wine Spanish but leaves it with ASCII for Unix file
# names, so that no file with an accent in its name can be made. So es_ES.UTF-8
# is compiled once into DIR (about a second) and reached through LOCPATH. Only
# Wine's processes get the two variables (the functions below): the shell, the
# compilers and the other tools keep the caller's language.
WINE_LOCALE=()
wine_spanish() {
  local dir=$1 tmp
  if [ ! -f "$dir/es_ES.UTF-8/LC_CTYPE" ]; then
    mkdir -p "$dir"
    # Compiled aside and moved in whole: CTest may start several of us at once.
    tmp=$(mktemp -d "$dir/.new.XXXXXX")
    # Exit status 1 is only a warning; the files are what count.
    localedef -i es_ES -f UTF-8 "$tmp/es_ES.UTF-8" >/dev/null 2>&1 || true
    if [ -f "$tmp/es_ES.UTF-8/LC_CTYPE" ]; then
      mv -T "$tmp/es_ES.UTF-8" "$dir/es_ES.UTF-8" 2>/dev/null || true
    fi
    rm -rf "$tmp"
  fi
  if [ -f "$dir/es_ES.UTF-8/LC_CTYPE" ]; then
    WINE_LOCALE=("LOCPATH=$dir" LC_ALL=es_ES.UTF-8)
  else
    echo "localedef could not make es_ES.UTF-8 (scripts/setup installs the locales package): Wine runs in English" >&2
    WINE_LOCALE=()
  fi
}
wine() { env "${WINE_LOCALE[@]}" wine "$@"; }
wineboot() { env "${WINE_LOCALE[@]}" wineboot "$@"; }
wineserver() { env "${WINE_LOCALE[@]}" wineserver "$@"; }

# Creates the prefix on first use (about 15 s) and sets how Wine treats its
# windows for the display at hand. Without a window manager (Xvfb), a managed
# window that closes makes Wine wait two seconds for a manager that never
# answers; unmanaged windows do not wait. With a manager, windows stay managed
# so that they can be moved and get their frames.
wine_prepare() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the Wine prefix $WINEPREFIX ..." >&2
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    wineserver -w
  fi
  # Wine draws the title bar's buttons, the boxes' close button and the scroll
  # arrows with its symbol font Marlett; without it they read "0", "1", "r".
  # Debian's Wine looks for its own fonts in /usr/share/fonts (its data folder
  # /usr/share/wine, then "../fonts"), but fonts-wine puts them in
  # /usr/share/wine/fonts, where fontconfig does not look either. Every Wine
  # process loads the fonts of the prefix's C:\windows\Fonts, so Marlett goes
  # there. Only Marlett: the rest of the set would change the wizard's texts.
  local fonts=$WINEPREFIX/drive_c/windows/Fonts marlett=/usr/share/wine/fonts/marlett.ttf
  if [ ! -f "$fonts/marlett.ttf" ] && [ -f "$marlett" ]; then
    mkdir -p "$fonts"
    cp "$marlett" "$fonts/"
  fi
  local key='HKCU\Software\Wine\X11 Driver'
  if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
    wine reg delete "$key" /v Managed /f >/dev/null 2>&1 || true
  else
    wine reg add "$key" /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  fi
}
