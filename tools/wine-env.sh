# Sourced by the test, demo and release scripts: a private Wine prefix and a private Xvfb display.
#   tkvn_wine_why_not ARCH      prints why Wine cannot run ARCH (i686 or x86_64) programs here and
#                               fails; prints nothing and succeeds when it can
#   tkvn_wine_runnable_archs    the architectures Wine runs here, i686 first, one line each
#   tkvn_wine_start BUILD_DIR [ARCH]
#                               prefix BUILD_DIR/wineprefix-ARCH (made once; 32-bit for i686,
#                               64-bit for x86_64), Xvfb, wineserver kept alive. ARCH defaults to
#                               TKVN_WINE_ARCH, then i686. For x86_64 a `wine` first on PATH calls
#                               the 64-bit loader, so scripts and CTest simply run `wine`.
#   tkvn_wine_stop              ends this prefix's wineserver and the Xvfb it started
# With TKVN_USE_DISPLAY=1 and a DISPLAY set, the user's own display is used instead of Xvfb.

tkvn_wine_loader() {
  case $1 in
    i686) echo /usr/lib/wine/wine ;;
    x86_64) echo /usr/lib/wine/wine64 ;;
    *) return 1 ;;
  esac
}

tkvn_wine_why_not() {
  local loader out
  loader=$(tkvn_wine_loader "$1") || { echo "unknown architecture $1"; return 1; }
  if [ ! -x "$loader" ]; then
    case $1 in
      i686) echo "wine32 is not installed" ;;
      x86_64) echo "wine64 is not installed" ;;
    esac
    return 1
  fi
  # A kernel without 32-bit support refuses the loader itself: "Exec format error".
  if ! out=$("$loader" --version 2>&1 </dev/null); then
    out=$(tail -n1 <<<"$out")
    echo "${out##*: }"
    return 1
  fi
}

tkvn_wine_runnable_archs() {
  local arch
  for arch in i686 x86_64; do
    tkvn_wine_why_not "$arch" >/dev/null && echo "$arch"
  done
  return 0
}

tkvn_wine_start() {
  local build=$1 arch=${2:-${TKVN_WINE_ARCH:-i686}}
  local why
  if ! why=$(tkvn_wine_why_not "$arch"); then
    echo "wine: cannot run $arch programs here: $why" >&2
    return 1
  fi
  mkdir -p "$build"
  build=$(cd "$build" && pwd)
  export TKVN_WINE_ARCH=$arch
  export WINEPREFIX=$build/wineprefix-$arch
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
  if [ "$arch" = x86_64 ]; then
    export WINEARCH=win64
    # Debian's `wine` (and wineboot, winepath, which call `wine-stable`) picks the 32-bit loader
    # whenever wine32 is installed: these stand in for both and take the 64-bit one.
    local bin=$build/wine-bin-x86_64
    mkdir -p "$bin"
    local name
    for name in wine wine-stable; do
      printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$bin/$name"
      chmod +x "$bin/$name"
    done
    case ":$PATH:" in
      *":$bin:"*) ;;
      *) export PATH=$bin:$PATH ;;
    esac
    export WINELOADER=/usr/lib/wine/wine64
  else
    export WINEARCH=win32
    unset WINELOADER
    # A 64-bit run earlier in this shell put its `wine` first on PATH: take it out again.
    # IFS is set for the read alone: set for the whole function, it split the Xvfb wait's list too.
    local kept= dir
    local -a dirs
    IFS=: read -ra dirs <<<"$PATH"
    for dir in "${dirs[@]}"; do
      case $dir in
        */wine-bin-x86_64) ;;
        *) kept=${kept:+$kept:}$dir ;;
      esac
    done
    export PATH=$kept
  fi
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
    if [ ! -s "$fdfile" ]; then
      rm -f "$fdfile"
      echo "wine: Xvfb did not start" >&2
      return 1
    fi
    export DISPLAY=:$(head -n1 "$fdfile")
    rm -f "$fdfile"
  fi
  if [ ! -f "$WINEPREFIX/.tkvn-ready" ]; then
    echo "wine: making the $arch prefix $WINEPREFIX"
    local log=$build/wineboot-$arch.log
    if ! wineboot -i >"$log" 2>&1 </dev/null || ! wineserver -w; then
      echo "wine: making the prefix failed (wineboot -i); its last lines:" >&2
      tail -n 20 "$log" >&2
      return 1
    fi
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      echo "wine: wineboot made no prefix at $WINEPREFIX; its last lines:" >&2
      tail -n 20 "$log" >&2
      return 1
    fi
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
  TKVN_XVFB_PID=
}
