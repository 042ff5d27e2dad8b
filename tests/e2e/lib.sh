# Shared helpers of the end-to-end tests. A test script is run as
#   sh tests/e2e/test_NAME.sh TARGET BUILD_DIR      (TARGET: native, win32 or win64)
# and sources this file with those arguments. It gets a temporary folder ($E2E_TMP), removed at
# exit; for a Windows target one Xvfb display and one Wine server serve every run of the script and are
# stopped at exit.
set -u

if [ $# -ne 2 ]; then
  echo "usage: sh $0 TARGET BUILD_DIR" >&2
  exit 2
fi
E2E_TARGET=$1
E2E_BUILD=$(cd "$2" && pwd) || exit 2
E2E_ROOT=$(cd "$(dirname "$0")/../.." && pwd)
E2E_EXPECTED="$E2E_ROOT/tests/e2e/expected"
E2E_PASSED=0
E2E_FAILED=0

case $E2E_TARGET in
  native) TESSALY="$E2E_BUILD/tessaly" ;;
  win32 | win64) TESSALY="$E2E_BUILD/tessaly.exe" ;;
  *)
    echo "unknown target '$E2E_TARGET' (native, win32 or win64)" >&2
    exit 2
    ;;
esac
if [ ! -f "$TESSALY" ]; then
  echo "$TESSALY: not built" >&2
  exit 2
fi

# E2E_RUNS: no where the target's programs cannot run on this machine (win32 where 32-bit x86
# code does not execute, as scripts/machine-check found); a script may then check files only.
E2E_RUNS=yes
E2E_WINE=no
if [ "$E2E_TARGET" != native ]; then
  . "$E2E_ROOT/scripts/wine-env.sh"
  # Not in a subshell: VORLANE_WIN32_WHY is kept for the message of a script that skips.
  windows_target "$E2E_ROOT" >/dev/null
  if [ "$E2E_TARGET" = win32 ] && [ "$VORLANE_WIN32_RUNS" != yes ]; then
    E2E_RUNS=no
  else
    E2E_WINE=yes
  fi
fi

E2E_TMP=$(mktemp -d)
e2e_cleanup() {
  if [ "$E2E_WINE" = yes ]; then
    wine_session_stop
  fi
  rm -rf "$E2E_TMP"
}
trap e2e_cleanup EXIT
trap 'exit 1' INT TERM

if [ "$E2E_WINE" = yes ]; then
  wine_session_start "$TESSALY"
fi

# tessaly ARGS...: runs the target's tessaly; its standard output lands in $E2E_TMP/out, its
# standard error in $E2E_TMP/err, its exit status in $status.
tessaly() {
  if [ "$E2E_TARGET" != native ]; then
    "$E2E_ROOT/scripts/wine-run" "$TESSALY" "$@" >"$E2E_TMP/out" 2>"$E2E_TMP/err"
  else
    "$TESSALY" "$@" >"$E2E_TMP/out" 2>"$E2E_TMP/err"
  fi
  status=$?
}

pass() {
  E2E_PASSED=$((E2E_PASSED + 1))
}

fail() {
  E2E_FAILED=$((E2E_FAILED + 1))
  echo "FAIL: $1" >&2
  if [ -s "$E2E_TMP/err" ]; then
    echo "  standard error of the last run:" >&2
    sed 's/^/    /' "$E2E_TMP/err" >&2
  fi
}

# expect_status WANT WHAT
expect_status() {
  if [ "$status" -eq "$1" ]; then pass; else fail "$2: exit status $status, expected $1"; fi
}

# expect_same EXPECTED_FILE ACTUAL_FILE WHAT: byte for byte.
expect_same() {
  if cmp -s "$1" "$2"; then
    pass
  else
    fail "$3: differs from $1"
    diff "$1" "$2" | head -20 | sed 's/^/    /' >&2
  fi
}

# expect_text TEXT FILE WHAT: the file holds exactly TEXT plus a line end.
expect_text() {
  printf '%s\n' "$1" >"$E2E_TMP/want"
  expect_same "$E2E_TMP/want" "$2" "$3"
}

# expect_contains FILE TEXT WHAT
expect_contains() {
  if grep -qF -- "$2" "$1"; then
    pass
  else
    fail "$3: '$2' not in $(cat "$1")"
  fi
}

# expect_empty FILE WHAT
expect_empty() {
  if [ ! -s "$1" ]; then pass; else fail "$2: $1 is not empty"; fi
}

# drop_unread_line FILE: FILE (a standard error) without the line that counts the files the
# native build could not read, for tests of playlists whose files are not there.
drop_unread_line() {
  grep -v '^tessaly: [0-9]* of [0-9]* files\{0,1\} could not be read; first: ' "$1" >"$1.kept"
  mv "$1.kept" "$1"
}

# e2e_finish: the closing count, and the exit status of the script.
e2e_finish() {
  echo "$E2E_TARGET: $E2E_PASSED passed, $E2E_FAILED failed"
  [ "$E2E_FAILED" -eq 0 ]
}

# e2e_needs_programs: ends the script, passed, where the target's programs cannot run here.
e2e_needs_programs() {
  if [ "$E2E_RUNS" = no ]; then
    echo "$E2E_TARGET: not run ($VORLANE_WIN32_WHY)"
    e2e_finish
    exit $?
  fi
}
