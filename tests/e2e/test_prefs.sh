#!/bin/sh
# End to end: 'tessaly prefs' driving the "Custom" page, with fresh profiles: settings typed in
# one process and shown by the next, configuration files saved, loaded, refused, and the reset.
#   sh tests/e2e/test_prefs.sh TARGET BUILD_DIR      TARGET: native, win32 or win64
. "$(dirname "$0")/lib.sh"
tp_work=$E2E_TMP
tp_target=$E2E_TARGET

# tp_run NAME ARGS...: runs tessaly; standard output in $tp_work/NAME.out, standard error in
# NAME.err, the exit status in status.
tp_run() {
  tp_name=$1
  shift
  tessaly "$@"
  cp "$E2E_TMP/out" "$tp_work/$tp_name.out"
  cp "$E2E_TMP/err" "$tp_work/$tp_name.err"
}

# tp_check GOT WANT WHAT
tp_check() {
  if [ "$1" = "$2" ]; then
    pass
  else
    fail "$3: got '$1', expected '$2'"
  fi
}

# tp_output_is WHAT LINE...: standard output of the last run is exactly these lines.
tp_output_is() {
  tp_what=$1
  shift
  printf '%s\n' "$@" >"$tp_work/want"
  expect_same "$tp_work/want" "$tp_work/$tp_name.out" "$tp_what: output"
}

# tp_error_is WHAT TEXT: standard error of the last run is exactly this line.
tp_error_is() {
  tp_check "$(cat "$tp_work/$tp_name.err")" "$2" "$1: standard error"
}

# tp_hex FILE: the bytes of FILE as hex digits without spaces.
tp_hex() {
  od -An -v -tx1 "$1" | tr -d ' \n'
}

# A setting typed in one process is there in the next.
a=$tp_work/a
tp_run set --profile "$a" prefs --set 'header=<table>\r\n' --set 'format=<tr>%title%</tr>' \
  --set 'footer=</table>' --set autocrlf=0
expect_status 0 "--set"
tp_check "$(cat "$tp_work/set.out" "$tp_work/set.err")" "" "--set says nothing"
tp_run show --profile "$a" prefs --show
expect_status 0 "--show"
tp_output_is "--show in a second process" 'header=<table>\r\n' 'format=<tr>%title%</tr>' \
  'footer=</table>' 'autocrlf=0'

# Escapes: what --show prints can be given back to --set.
tp_run escapes --profile "$tp_work/e" prefs --set 'header=a\tb\\c\x01\xe2\x82\xac' --show
tp_output_is "escapes" 'header=a\tb\\c\x01€' 'format=' 'footer=' 'autocrlf=1'

# --save writes the record: lengths, texts, the switch.
tp_run save --profile "$a" prefs --save "$tp_work/a.tvc"
expect_status 0 "--save"
tp_check "$(tp_hex "$tp_work/a.tvc")" \
  "09003c7461626c653e0d0a10003c74723e257469746c65253c2f74723e08003c2f7461626c653e00" \
  "bytes of the saved file"
tp_run save-url --profile "$a" prefs --save "file://$tp_work/a%20copy.tvc"
expect_status 0 "--save to a file:// location"
tp_check "$(tp_hex "$tp_work/a copy.tvc")" "$(tp_hex "$tp_work/a.tvc")" "file:// location"

# --load into a fresh profile, and the result is stored.
b=$tp_work/b
tp_run load --profile "$b" prefs --load "$tp_work/a.tvc" --show
expect_status 0 "--load"
tp_output_is "--load shows the file's settings" 'header=<table>\r\n' 'format=<tr>%title%</tr>' \
  'footer=</table>' 'autocrlf=0'
tp_run load-show --profile "$b" prefs --show
tp_output_is "--load is stored" 'header=<table>\r\n' 'format=<tr>%title%</tr>' \
  'footer=</table>' 'autocrlf=0'

# An invalid file (the format's length runs past the end) changes nothing, and what comes
# after it is not done.
printf '\001\000h\005\000f' >"$tp_work/bad.tvc"
tp_run bad --profile "$b" prefs --load "$tp_work/bad.tvc" --reset
expect_status 1 "--load of an invalid file"
tp_error_is "--load of an invalid file" "tessaly: Invalid config file: \"$tp_work/bad.tvc\"
tessaly: stopped after --load $tp_work/bad.tvc; the actions after it were not performed"
tp_run bad-show --profile "$b" prefs --show
tp_output_is "an invalid file changes nothing" 'header=<table>\r\n' 'format=<tr>%title%</tr>' \
  'footer=</table>' 'autocrlf=0'

tp_run missing --profile "$b" prefs --load "$tp_work/missing.tvc"
expect_status 1 "--load of a missing file"
tp_error_is "--load of a missing file" "tessaly: Error opening config file: \"$tp_work/missing.tvc\""
tp_run unwritable --profile "$b" prefs --save "$tp_work/no/such/folder/x.tvc"
expect_status 1 "--save into a missing folder"
# The module says the file was not saved; the host says why.
if [ "$E2E_TARGET" = native ]; then no_path="No such file or directory"; else no_path="Path not found"; fi
tp_error_is "--save into a missing folder" \
  "tessaly: $tp_work/no/such/folder/x.tvc: not written: cannot write there: $no_path
tessaly: Can not save to file: \"$tp_work/no/such/folder/x.tvc\""

# --reset restores the defaults, and they are stored.
tp_run reset --profile "$b" prefs --reset
expect_status 0 "--reset"
tp_run reset-show --profile "$b" prefs --show
tp_output_is "--reset is stored" 'header=' 'format=' 'footer=' 'autocrlf=1'
tp_run defaults --profile "$b" prefs --save "$tp_work/defaults.tvc"
tp_check "$(tp_hex "$tp_work/defaults.tvc")" "00000000000001" "the defaults saved"

# A file whose switch byte is 2: loaded as 2, shown ticked; --set autocrlf=1 clicks until it
# is 1, and saving writes 1.
printf '\000\000\000\000\000\000\002' >"$tp_work/two.tvc"
tp_run two --profile "$tp_work/c" prefs --load "$tp_work/two.tvc" --show --set autocrlf=1 \
  --show --save "$tp_work/two-saved.tvc"
expect_status 0 "switch byte 2"
tp_output_is "switch byte 2" 'header=' 'format=' 'footer=' 'autocrlf=2' 'header=' 'format=' \
  'footer=' 'autocrlf=1'
tp_check "$(tp_hex "$tp_work/two-saved.tvc")" "00000000000001" "switch 2 saves as 1"

# Usage errors are refused before anything is done.
for tp_args in "" "--set" "--set nope=1" "--set autocrlf=2" "--set header=\\q" \
  "--set header=\\x00" "--load" "--report $tp_work/r" "--gui --show" "--frobnicate"; do
  # shellcheck disable=SC2086
  tp_run usage --profile "$tp_work/u" prefs $tp_args
  expect_status 2 "prefs $tp_args"
done
tp_check "$(ls "$tp_work/u" 2>/dev/null)" "" "a usage error stores nothing"
if [ "$tp_target" = native ]; then
  tp_run gui --profile "$tp_work/u" prefs --gui
  expect_status 2 "--gui natively"
  expect_contains "$tp_work/gui.err" "needs the Windows build" "--gui natively"
fi
tp_run help prefs --help
expect_status 0 "--help"
tp_check "$(grep -c -- '--set header=TEXT' "$tp_work/help.out")" 1 "--help lists --set"

e2e_finish
