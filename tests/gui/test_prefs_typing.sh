#!/bin/sh
# Typing into the Header box of the real preferences window, under Xvfb and Wine:
#   sh tests/gui/test_prefs_typing.sh BUILD_DIR
# 'tessaly prefs --gui --report FILE' rewrites FILE with the module's settings after every change
# it sees, so each keystroke can be checked through the host: plain keys change the header at
# once, Ctrl+A and Ctrl+Shift+A select the whole text (the next key replaces it), Ctrl+Alt+A
# does not, and the other settings stay as they were. Escape closes the window and the settings
# are stored.
set -u
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
exe=$build/tessaly.exe
. "$root/scripts/wine-env.sh"

work=$(mktemp -d)
report=$work/report
app_pid=
failures=0
cleanup() {
  if [ -n "$app_pid" ]; then
    kill "$app_pid" 2>/dev/null || true
    wait "$app_pid" 2>/dev/null || true
  fi
  wine_session_stop
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# report_line NAME: that setting's line of the report.
report_line() {
  grep "^$1=" "$report" 2>/dev/null || true
}

# expect_header AFTER VALUE: the report shows header=VALUE (escaped as --show writes it) within
# a few seconds of AFTER, with the other settings still at their defaults.
expect_header() {
  tries=0
  while [ "$(report_line header)" != "header=$2" ] && [ $tries -lt 50 ]; do
    sleep 0.1
    tries=$((tries + 1))
  done
  got=$(report_line header)
  [ "$got" = "header=$2" ] || fail "after $1: expected header=$2, got $got"
  for other in format= footer= autocrlf=1; do
    name=${other%%=*}
    [ "$(report_line "$name")" = "$other" ] || fail "after $1: $name changed to $(report_line "$name")"
  done
}

# key KEYS...: sends each key to the focused window.
key() {
  xdotool key "$@"
}

wine_session_start "$exe"
"$WINE_LOADER" "$exe" --profile "$work/profile" prefs --gui --report "$report" >"$work/log" 2>&1 &
app_pid=$!
wait_for_window "$app_pid" "$report" "$work/log" FAIL || exit 1
window=$(xdotool search --name '^tessaly Preferences$' 2>/dev/null | head -n 1)
if [ -z "$window" ]; then
  echo "FAIL: no window named 'tessaly Preferences'" >&2
  exit 1
fi
expect_header "start" ""

# The Header box fills the top of the page, right of the page list: click into its middle.
xdotool mousemove --window "$window" 420 90 click 1 2>/dev/null
sleep 0.3

key a
expect_header "a" "a"
key b
expect_header "b" "ab"
key shift+c
expect_header "shift+c" "abC"
key ctrl+a x
expect_header "ctrl+a x" "x"
key y z
expect_header "y z" "xyz"
key ctrl+shift+a q
expect_header "ctrl+shift+a q" "q"
key w
expect_header "w" "qw"
# Ctrl+Alt+A goes to the edit unchanged: nothing is selected, so the next key is added.
key ctrl+alt+a
sleep 0.5
expect_header "ctrl+alt+a" "qw"
key e
expect_header "ctrl+alt+a e" "qwe"
key Return
expect_header "Return" 'qwe\r\n'
key ctrl+a BackSpace
expect_header "ctrl+a BackSpace" ""
key h i
expect_header "h i" "hi"

key Escape
waited=0
while kill -0 "$app_pid" 2>/dev/null && [ $waited -lt 100 ]; do
  sleep 0.1
  waited=$((waited + 1))
done
if kill -0 "$app_pid" 2>/dev/null; then
  fail "Escape did not close the window"
else
  wait "$app_pid"
  status=$?
  app_pid=
  [ $status -eq 0 ] || fail "tessaly prefs --gui exited $status: $(cat "$work/log")"
fi

# What was typed is in the configuration store.
shown=$("$WINE_LOADER" "$exe" --profile "$work/profile" prefs --show 2>&1 | tr -d '\r')
[ "$(echo "$shown" | head -n 1)" = "header=hi" ] || fail "stored: $shown"

if [ $failures -ne 0 ]; then
  echo "test_prefs_typing: $failures failures" >&2
  exit 1
fi
echo "test_prefs_typing: passed"
