# Shared by scripts/test and scripts/run-demo: the X display and the Wine prefix.
# Source it; it defines functions and sets nothing else.

# Starts a private Xvfb on a free display from :90 up and exports DISPLAY.
# A number that another server takes first makes ours fail; the next is tried.
start_xvfb() {
  local n i
  for n in $(seq 90 189); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
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
}

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
  local key='HKCU\Software\Wine\X11 Driver'
  if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
    wine reg delete "$key" /v Managed /f >/dev/null 2>&1 || true
  else
    wine reg add "$key" /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  fi
}
