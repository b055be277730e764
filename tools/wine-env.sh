# Sourced by the test and demo scripts: a private Wine prefix and a private Xvfb display.
#   tkvn_wine_start BUILD_DIR   prefix in BUILD_DIR/wineprefix (made once), Xvfb, wineserver kept alive
#   tkvn_wine_stop              ends this prefix's wineserver and the Xvfb it started
# With TKVN_USE_DISPLAY=1 and a DISPLAY set, the user's own display is used instead of Xvfb.

tkvn_wine_start() {
  local build=$1
  mkdir -p "$build"
  export WINEPREFIX=$(cd "$build" && pwd)/wineprefix
  export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
  TKVN_XVFB_PID=
  if [ "${TKVN_USE_DISPLAY:-0}" != 1 ] || [ -z "${DISPLAY:-}" ]; then
    local fdfile
    fdfile=$(mktemp)
    Xvfb -displayfd 7 -screen 0 1280x1024x24 -nolisten tcp 7>"$fdfile" >/dev/null 2>&1 &
    TKVN_XVFB_PID=$!
    local i
    for i in $(seq 1 100); do
      [ -s "$fdfile" ] && break
      sleep 0.1
    done
    export DISPLAY=:$(head -n1 "$fdfile")
    rm -f "$fdfile"
  fi
  if [ ! -f "$WINEPREFIX/.tkvn-ready" ]; then
    echo "wine: making the prefix $WINEPREFIX"
    wineboot -i >/dev/null 2>&1 </dev/null
    wineserver -w
    # Without a window manager every closed window would cost Wine a 2-second wait.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    if [ -d /usr/share/wine/fonts ]; then
      ln -sf /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    fi
    wineserver -w
    touch "$WINEPREFIX/.tkvn-ready"
  fi
  wineserver -p
  # Start Wine's services with their output going nowhere, so that no later test inherits a pipe.
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

tkvn_wine_stop() {
  wineserver -k 2>/dev/null || true
  if [ -n "${TKVN_XVFB_PID:-}" ]; then
    kill "$TKVN_XVFB_PID" 2>/dev/null || true
    wait "$TKVN_XVFB_PID" 2>/dev/null || true
  fi
}
