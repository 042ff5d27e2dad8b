# Sourced by every script that runs Windows programs under Wine; nothing else starts Xvfb or picks
# a loader. It chooses the Windows target this machine runs (windows_target), sets up a quiet Wine
# in a prefix inside the build tree with the loader for the program's bitness, and starts and
# stops one session: a private Xvfb display (Wine creates no window without one) and a persistent
# Wine server (wine_session_start, wine_session_stop).
#
# From another language, run the functions through sh and read what they print, e.g.
#   sh -c '. scripts/wine-env.sh && wine_session_start "$1" && wine_session_env' - PROGRAM

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

# windows_target ROOT: prints win32 where this machine executes 32-bit x86 code, else win64, from
# ROOT/build/machine.env (scripts/machine-check writes it, and runs here if it is missing). Leaves
# VORLANE_WIN32_RUNS and VORLANE_WIN32_WHY set, for a caller that says why. VORLANE_WIN32_RUN=no
# gives win64, as it does in scripts/machine-check.
windows_target() {
  [ -f "$1/build/machine.env" ] || "$1/scripts/machine-check" --quiet
  VORLANE_WIN32_RUNS=no
  VORLANE_WIN32_WHY=
  . "$1/build/machine.env"
  # Forced here too, so that a script run by hand takes the fallback without a new machine check.
  if [ "${VORLANE_WIN32_RUN:-}" = no ]; then
    VORLANE_WIN32_RUNS=no
    VORLANE_WIN32_WHY="VORLANE_WIN32_RUN=no is set"
  fi
  if [ "$VORLANE_WIN32_RUNS" = yes ]; then echo win32; else echo win64; fi
}

# wine_session_start PROGRAM: one session for every later run of PROGRAM's target: the prefix and
# loader (wine_env_prefix), a private display, and a Wine server that stays up between runs, so
# that each run saves the server's start-up. scripts/wine-run uses the session's display
# (WINE_RUN_DISPLAY) instead of starting one of its own.
wine_session_start() {
  wine_env_prefix "$1"
  xvfb_start
  export WINE_RUN_DISPLAY="$DISPLAY"
  # Inside a caller's session (scripts/screenshot-prefs from scripts/demo) the prefix's server
  # is up already and this fails: that server serves both sessions.
  wineserver -p 2>/dev/null || true
}

# wine_session_stop: ends the session's Wine processes and its display; safe to call twice.
wine_session_stop() {
  xvfb_stop
}

# wine_session_env: prints the session's variables as NAME=VALUE lines, for a caller that is not
# a shell. XVFB_PID is what wine_session_stop needs to end the display later.
wine_session_env() {
  for name in WINEDEBUG WINEDLLOVERRIDES WINEPREFIX WINEARCH WINELOADER WINE_LOADER DISPLAY \
    WINE_RUN_DISPLAY XVFB_PID; do
    eval "printf '%s=%s\\n' $name \"\${$name:-}\""
  done
}

# wait_for_window PID FILE LOG WHAT: waits (up to a minute) until PID has written FILE, which
# 'tessaly prefs --gui --report FILE' does once its window is shown. Fails with LOG on standard
# error when PID ends first or the minute passes.
wait_for_window() {
  ww_waited=0
  while [ ! -s "$2" ]; do
    if ! kill -0 "$1" 2>/dev/null || [ $ww_waited -ge 600 ]; then
      echo "$4: the preferences window did not come up" >&2
      cat "$3" >&2
      return 1
    fi
    sleep 0.1
    ww_waited=$((ww_waited + 1))
  done
}
