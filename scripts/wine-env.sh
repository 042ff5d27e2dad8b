# Sourced by the scripts that run Windows programs under Wine. Sets up a quiet Wine in a prefix
# inside the build tree, and starts and stops a private Xvfb display (Wine creates no window
# without one).

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# wine_env_prefix PROGRAM: picks the prefix of the build tree that holds PROGRAM unless
# WINEPREFIX is already set, and creates it once (serialised, since tests run in parallel).
wine_env_prefix() {
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
        wineboot -i >/dev/null 2>&1 || true
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
