# Sourced by the scripts that run Windows programs under Wine. Sets up a quiet Wine in a prefix
# inside the build tree, picks Wine's loader for the program's bitness, and starts and stops a
# private Xvfb display (Wine creates no window without one).

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# pe_machine FILE: prints i386, x86_64 or unknown, read from the file's PE header.
pe_machine() {
  # The PE header's offset is at 0x3c; the machine field follows the 4-byte "PE\0\0".
  pe_offset=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
  if [ -z "$pe_offset" ]; then
    echo unknown
    return
  fi
  case $(od -An -tx2 -j$((pe_offset + 4)) -N2 "$1" 2>/dev/null | tr -d ' ') in
    014c) echo i386 ;;
    8664) echo x86_64 ;;
    *) echo unknown ;;
  esac
}

# wine_loader PROGRAM: sets WINE_LOADER (and WINELOADER, which Wine reads itself) to the loader
# for PROGRAM's bitness, and WINEARCH to match: a PE32+ program needs the 64-bit loader, a PE32
# one the 32-bit loader. /usr/bin/wine would pick the 32-bit loader whenever it is installed.
wine_loader() {
  case $(pe_machine "$1") in
    x86_64)
      WINE_LOADER=/usr/lib/wine/wine64
      export WINEARCH=win64
      ;;
    i386)
      WINE_LOADER=/usr/lib/wine/wine
      export WINEARCH=win32
      ;;
    *) WINE_LOADER=wine ;;
  esac
  if [ "$WINE_LOADER" != wine ] && [ ! -x "$WINE_LOADER" ]; then
    echo "wine-run: $WINE_LOADER is missing; run scripts/install-deps" >&2
  fi
  export WINE_LOADER
  if [ "$WINE_LOADER" != wine ]; then
    export WINELOADER="$WINE_LOADER"
  fi
}

# wine_env_prefix PROGRAM: picks the loader for PROGRAM and the prefix of the build tree that
# holds it unless WINEPREFIX is already set, and creates the prefix once (serialised, since tests
# run in parallel).
wine_env_prefix() {
  wine_loader "$1"
  if [ -z "${WINEPREFIX:-}" ]; then
    dir=$(cd "$(dirname "$1")" && pwd)
    while [ "$dir" != "/" ] && [ ! -f "$dir/CMakeCache.txt" ]; do
      dir=$(dirname "$dir")
    done
    if [ "$dir" = "/" ]; then
      dir=$(cd "$(dirname "$1")" && pwd)
    fi
    export WINEPREFIX="$dir/wine-prefix"
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    (
      flock 9
      if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "wine-run: creating the Wine prefix $WINEPREFIX" >&2
        "$WINE_LOADER" wineboot.exe -i >/dev/null 2>&1 || true
        wineserver -w
      fi
    ) 9>"$WINEPREFIX.lock"
  fi
}

# xvfb_start: starts a private display and exports DISPLAY; XVFB_PID names the server.
xvfb_start() {
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  XVFB_PID=$!
  read -r display_number <"$fifo"
  rm -f "$fifo"
  export DISPLAY=":$display_number"
}

# xvfb_stop: ends the Wine processes of the prefix, then the display.
xvfb_stop() {
  wineserver -k 2>/dev/null || true
  if [ -n "${XVFB_PID:-}" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=
  fi
}
