# Writes that fail after the temporary file exists: the write stops halfway (the file-size limit
# of the process) or the old file cannot be replaced (on Linux an immutable file, on Windows a
# file that another program has open). Each must exit 1 with a message that names the file and
# says why, keep the old file byte for byte and leave no temporary beside it; for an export, the
# configuration store and a saved configuration file alike.
. "$(dirname "$0")/lib.sh"

e2e_needs_programs

# What the system says for each failure, by target.
if [ "$E2E_TARGET" = native ]; then
  too_large="File too large"
  cannot_replace="Operation not permitted"
else
  # Wine fails the write with error 31 (ERROR_GEN_FAILURE); a file that is open elsewhere is
  # refused with ERROR_ACCESS_DENIED.
  too_large="General failure"
  cannot_replace="Access denied"
fi

# limited BLOCKS ARGS...: tessaly ARGS with every file it writes limited to BLOCKS of the
# shell's 512 bytes, the signal of an overstep ignored, so that the write fails with EFBIG
# instead; $status as for tessaly.
limited() {
  (
    trap '' XFSZ
    ulimit -f "$1"
    shift
    tessaly "$@"
    exit $status
  )
  status=$?
}

# Making a file unreplaceable: an immutable file (root only) on Linux; on Windows a file that
# another program keeps open, which Windows does not let a rename replace.
held=
if [ "$E2E_TARGET" = native ]; then
  touch "$E2E_TMP/probe"
  if chattr +i "$E2E_TMP/probe" 2>/dev/null; then
    chattr -i "$E2E_TMP/probe"
    can_hold=yes
  else
    can_hold=no
    echo "native: cannot make a file immutable here (chattr +i needs root): the failed replacing is not tried"
  fi
  rm -f "$E2E_TMP/probe"
  # An immutable file would outlive the cleanup of $E2E_TMP.
  trap '[ -z "$held" ] || chattr -i "$held"; e2e_cleanup' EXIT
else
  can_hold=yes
fi

# hold FILE / release: FILE cannot be replaced until release.
hold() {
  held=$1
  if [ "$E2E_TARGET" = native ]; then
    chattr +i "$held"
    return
  fi
  rm -f "$E2E_TMP/holding"
  "$E2E_ROOT/scripts/wine-run" "$E2E_BUILD/hold_open.exe" "$held" "$E2E_TMP/holding" &
  hold_pid=$!
  waited=0
  while [ ! -e "$E2E_TMP/holding" ] && kill -0 "$hold_pid" 2>/dev/null && [ $waited -lt 600 ]; do
    sleep 0.1
    waited=$((waited + 1))
  done
}
release() {
  if [ "$E2E_TARGET" = native ]; then
    chattr -i "$held"
  else
    rm -f "$E2E_TMP/holding"
    wait "$hold_pid"
  fi
  held=
}

# expect_untouched FOLDER NAME BEFORE WHAT: FOLDER holds NAME and nothing else (no temporary,
# hidden ones included), and NAME is byte for byte BEFORE.
expect_untouched() {
  expect_same "$3" "$1/$2" "$4: the old file kept"
  # The library index that an export keeps in its profile is no leftover of a write.
  ls -A "$1" | grep -v '^library\.sqlite' >"$E2E_TMP/listing"
  expect_text "$2" "$E2E_TMP/listing" "$4: nothing left beside it"
}

profile="$E2E_TMP/profile"
tessaly --profile "$profile" prefs --load "$E2E_ROOT/presets/html-table.tvc"
expect_status 0 "loading the HTML-table preset"
awk 'BEGIN { for (i = 1; i <= 20000; i++) printf "#EXTINF:%d,Artist %d - Title %d\ntrack %d.mp3\n", i, i, i, i }' \
  >"$E2E_TMP/long.m3u8"
mkdir -p "$E2E_TMP/site"
out="$E2E_TMP/site/playlist.html"
printf 'the old playlist\n' >"$out"
cp "$out" "$E2E_TMP/old-playlist"

limited 40 --profile "$profile" export "$E2E_TMP/long.m3u8" -o "$out"
expect_status 1 "an export that stops halfway"
expect_contains "$E2E_TMP/err" "tessaly: $out: not written: $too_large" "an export that stops halfway"
expect_untouched "$E2E_TMP/site" playlist.html "$E2E_TMP/old-playlist" "an export that stops halfway"

if [ $can_hold = yes ]; then
  hold "$out"
  tessaly --profile "$profile" export "$E2E_ROOT/examples/demo.m3u8" -o "$out"
  release
  expect_status 1 "an export onto a file that cannot be replaced"
  expect_contains "$E2E_TMP/err" "tessaly: $out: not written: cannot replace the file: $cannot_replace" \
    "an export onto a file that cannot be replaced"
  expect_untouched "$E2E_TMP/site" playlist.html "$E2E_TMP/old-playlist" \
    "an export onto a file that cannot be replaced"
fi

# The configuration store goes through the same replacing: a header of 12,000 bytes makes it
# larger than a limit of 4 KB. (Not larger: Wine's edit control takes time in the square of its
# text's length, about 11 s for 40,000 bytes, and the page shows the header in one.)
store="$profile/configuration.txt"
cp "$store" "$E2E_TMP/old-store"
printf '\340\056' >"$E2E_TMP/large.tvc"
head -c 12000 /dev/zero | tr '\000' h >>"$E2E_TMP/large.tvc"
printf '\007\000%%title%%\000\000\001' >>"$E2E_TMP/large.tvc"
limited 8 --profile "$profile" prefs --load "$E2E_TMP/large.tvc"
expect_status 1 "a store that stops halfway"
expect_contains "$E2E_TMP/err" "tessaly: configuration not saved: $store: $too_large" \
  "a store that stops halfway"
expect_untouched "$profile" configuration.txt "$E2E_TMP/old-store" "a store that stops halfway"

if [ $can_hold = yes ]; then
  hold "$store"
  tessaly --profile "$profile" prefs --set header=new
  release
  expect_status 1 "a store that cannot be replaced"
  expect_contains "$E2E_TMP/err" \
    "tessaly: configuration not saved: $store: cannot replace the file: $cannot_replace" \
    "a store that cannot be replaced"
  expect_untouched "$profile" configuration.txt "$E2E_TMP/old-store" "a store that cannot be replaced"
fi

# Saving a configuration file over an old one: the page writes through the host's file service,
# which puts the new file in place only when every write reached it. The profile's header of
# 12,000 bytes makes the file larger than the limit.
tvc_profile="$E2E_TMP/tvc-profile"
tessaly --profile "$tvc_profile" prefs --load "$E2E_TMP/large.tvc"
expect_status 0 "loading a header of 12,000 bytes"
mkdir -p "$E2E_TMP/tvc"
tvc="$E2E_TMP/tvc/saved.tvc"
cp "$E2E_ROOT/presets/html-table.tvc" "$tvc"
cp "$tvc" "$E2E_TMP/old-tvc"
limited 8 --profile "$tvc_profile" prefs --save "$tvc"
expect_status 1 "a configuration file that stops halfway"
expect_contains "$E2E_TMP/err" 'tessaly: Can not save to file: "' \
  "a configuration file that stops halfway"
expect_contains "$E2E_TMP/err" "tessaly: $tvc: not written: $too_large" \
  "a configuration file that stops halfway"
expect_untouched "$E2E_TMP/tvc" saved.tvc "$E2E_TMP/old-tvc" \
  "a configuration file that stops halfway"

if [ $can_hold = yes ]; then
  hold "$tvc"
  tessaly --profile "$profile" prefs --save "$tvc"
  release
  expect_status 1 "a configuration file that cannot be replaced"
  expect_contains "$E2E_TMP/err" "tessaly: $tvc: not written: cannot replace the file: $cannot_replace" \
    "a configuration file that cannot be replaced"
  expect_untouched "$E2E_TMP/tvc" saved.tvc "$E2E_TMP/old-tvc" \
    "a configuration file that cannot be replaced"
fi

e2e_finish
