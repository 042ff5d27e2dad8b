#!/bin/sh
# End to end: the host's configuration store across host processes, driven through the tessaly
# command line with a fresh profile.
#   sh tests/e2e/test_config.sh TARGET BUILD_DIR      TARGET: native, win32 or win64
. "$(dirname "$0")/lib.sh"
case $E2E_TARGET in
native) tc_module=vorlane.so ;;
*) tc_module=vorlane.dll ;;
esac
tc_work=$E2E_TMP

# The module's block with every setting at its default: autocrlf 1, three empty texts.
tc_default_hex=080000006175746f63726c6604000000010000000600000066\
6f726d61740000000006000000666f6f746572000000000600000068656164657200000000
# After loading tc_block_file: autocrlf 0 and header "abc".
tc_loaded_hex=080000006175746f63726c6604000000000000000600000066\
6f726d61740000000006000000666f6f746572000000000600000068656164657203000000616263

# tc_run NAME ARGS...: runs tessaly; its output goes to $tc_work/NAME.out (carriage returns
# dropped) and NAME.err, its exit status to status.
tc_run() {
  tc_name=$1
  shift
  tessaly "$@"
  tr -d '\r' <"$E2E_TMP/out" >"$tc_work/$tc_name.out"
  cp "$E2E_TMP/err" "$tc_work/$tc_name.err"
}

# tc_expect_status NAME WANTED
tc_expect_status() {
  expect_status "$2" "$1"
}

# tc_expect_dump NAME HEX: the dump of run NAME shows HEX for the module.
tc_expect_dump() {
  tc_line=$(grep "^$tc_module: " "$tc_work/$1.out")
  if [ "$tc_line" = "$tc_module: $2" ]; then
    pass
  else
    fail "$1: dump shows '$tc_line', expected '$tc_module: $2'"
  fi
}

# tc_expect_stderr NAME TEXT: standard error of run NAME mentions TEXT.
tc_expect_stderr() {
  if grep -q -F -- "$2" "$tc_work/$1.err"; then
    pass
  else
    fail "$1: stderr does not mention '$2'"
  fi
}

tc_block_file=$tc_work/block.bin
printf '\006\000\000\000header\003\000\000\000abc\010\000\000\000autocrlf\004\000\000\000\000\000\000\000' \
  >"$tc_block_file"

# A fresh profile holds the defaults.
p=$tc_work/profile
tc_run fresh-dump --profile "$p" config dump
tc_expect_status fresh-dump 0
tc_expect_dump fresh-dump "$tc_default_hex"
if [ -e "$p/configuration.txt" ]; then
  fail "fresh-dump: showing the configuration stored it"
else
  pass
fi

# A block loaded by one host process is what the next one starts with.
tc_run load --profile "$p" config load vorlane "$tc_block_file"
tc_expect_status load 0
tc_run after-load --profile "$p" config dump
tc_expect_status after-load 0
tc_expect_dump after-load "$tc_loaded_hex"
tc_run after-load-again --profile "$p" config dump
tc_expect_dump after-load-again "$tc_loaded_hex"

# Reset forgets it.
tc_run reset --profile "$p" config reset
tc_expect_status reset 0
tc_run after-reset --profile "$p" config dump
tc_expect_status after-reset 0
tc_expect_dump after-reset "$tc_default_hex"

# A damaged store is reported and left byte for byte; the host goes on with the defaults.
d=$tc_work/damaged
mkdir -p "$d"
printf 'tessaly configuration 1\nvorlane' >"$d/configuration.txt"
cp "$d/configuration.txt" "$tc_work/damaged-copy"
tc_run damaged-dump --profile "$d" config dump
tc_expect_status damaged-dump 0
tc_expect_dump damaged-dump "$tc_default_hex"
tc_expect_stderr damaged-dump configuration.txt
if cmp -s "$d/configuration.txt" "$tc_work/damaged-copy"; then pass; else
  fail "damaged-dump: the damaged store was changed"
fi
# A command that would store the configuration refuses to save over it.
tc_run damaged-load --profile "$d" config load vorlane "$tc_block_file"
tc_expect_status damaged-load 1
tc_expect_stderr damaged-load "config reset"
if cmp -s "$d/configuration.txt" "$tc_work/damaged-copy"; then pass; else
  fail "damaged-load: the damaged store was changed"
fi
# Reset is the way out.
tc_run damaged-reset --profile "$d" config reset
tc_expect_status damaged-reset 0
tc_run repaired-dump --profile "$d" config dump
tc_expect_status repaired-dump 0
tc_expect_dump repaired-dump "$tc_default_hex"
if [ -s "$tc_work/repaired-dump.err" ]; then
  fail "repaired-dump: still complains:"
  sed 's/^/    /' "$tc_work/repaired-dump.err" >&2
else
  pass
fi

# Failures of the job: exit status 1, with a message.
tc_run no-module --profile "$p" config load nosuchmodule "$tc_block_file"
tc_expect_status no-module 1
tc_expect_stderr no-module nosuchmodule
tc_run no-file --profile "$p" config load vorlane "$tc_work/no-such-file"
tc_expect_status no-file 1
tc_expect_stderr no-file no-such-file

# Usage errors: exit status 2, and nothing is stored.
u=$tc_work/usage
for args in "config" "config bogus" "config dump extra" "config reset extra" \
  "config load vorlane" "config load" "nosuchcommand" "--bogus config dump"; do
  # shellcheck disable=SC2086 # the words of args are the arguments
  tc_run usage --profile "$u" $args
  tc_expect_status usage 2
done
tc_run usage-no-folder --profile
tc_expect_status usage-no-folder 2
tc_run usage-nothing
tc_expect_status usage-nothing 2
if [ -e "$u/configuration.txt" ]; then
  fail "a usage error stored the configuration"
else
  pass
fi

# --help of the host and of every command it lists.
tc_run help --help
tc_expect_status help 0
tc_commands=$(sed -n '/^Commands:/,/^$/s/^  \([a-z][a-z]*\) .*/\1/p' "$tc_work/help.out")
if [ -z "$tc_commands" ]; then
  fail "--help lists no commands"
fi
for c in $tc_commands; do
  tc_run "help-$c" --profile "$u" "$c" --help
  tc_expect_status "help-$c" 0
  if grep -q "^usage: tessaly $c" "$tc_work/help-$c.out"; then pass; else
    fail "help-$c: no usage line"
  fi
done

e2e_finish
