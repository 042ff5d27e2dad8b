# Writing examples/demo.m3u8 through the HTML-table configuration, to a file and to standard
# output, and the ways an export can fail without losing anything.
. "$(dirname "$0")/lib.sh"

profile="$E2E_TMP/profile"
mkdir -p "$profile"
demo="$E2E_ROOT/examples/demo.m3u8"
expected="$E2E_EXPECTED/demo-playlist.html"
config="$E2E_ROOT/presets/html-table"

sh "$E2E_ROOT/scripts/make-config-block" "$config/header.txt" "$config/entry.txt" \
  "$config/footer.txt" >"$E2E_TMP/html-table.block"
tessaly --profile "$profile" config load vorlane "$E2E_TMP/html-table.block"
expect_status 0 "config load"

mkdir -p "$E2E_TMP/site"
out="$E2E_TMP/site/playlist.html"
tessaly --profile "$profile" export "$demo" -o "$out"
expect_status 0 "export to a file"
expect_same "$expected" "$out" "export to a file"
# The demo's files are not there: the native build, which reads them, says so in one line.
drop_unread_line "$E2E_TMP/err"
expect_text "tessaly: wrote 12 entries to $out" "$E2E_TMP/err" "export to a file: the report"
ls -A "$E2E_TMP/site" >"$E2E_TMP/listing"
expect_text "playlist.html" "$E2E_TMP/listing" "export to a file: no temporary file left"

tessaly --profile "$profile" export "$demo" -o - --format Custom
expect_status 0 "export to standard output"
expect_same "$expected" "$E2E_TMP/out" "export to standard output"
drop_unread_line "$E2E_TMP/err"
expect_empty "$E2E_TMP/err" "export to standard output: nothing on standard error"

# The host's strings on a heap of its own, as in a player whose modules use other C runtimes: a
# module that grew or freed one itself would crash here or report a misplaced free.
export TESSALY_STRING_HEAP=private
tessaly --profile "$profile" export "$demo" -o "$E2E_TMP/private-heap.html"
unset TESSALY_STRING_HEAP
expect_status 0 "export with the host's strings on a heap of its own"
expect_same "$expected" "$E2E_TMP/private-heap.html" "export with the host's strings on a heap of its own"

# A folder that does not exist: nothing is created.
tessaly --profile "$profile" export "$demo" -o "$E2E_TMP/nowhere/playlist.html"
expect_status 1 "export into a missing folder"
expect_contains "$E2E_TMP/err" "tessaly: $E2E_TMP/nowhere/playlist.html: cannot write there" \
  "export into a missing folder"
if [ ! -e "$E2E_TMP/nowhere" ]; then pass; else fail "export into a missing folder: it was made"; fi

# A folder is no file to write.
tessaly --profile "$profile" export "$demo" -o "$E2E_TMP/site"
expect_status 1 "export onto a folder"
expect_contains "$E2E_TMP/err" "is a folder" "export onto a folder"

# A read-only old file stays as it was, and no temporary file is left beside it.
mkdir -p "$E2E_TMP/locked"
printf 'the old playlist\n' >"$E2E_TMP/locked/playlist.html"
chmod 444 "$E2E_TMP/locked/playlist.html"
tessaly --profile "$profile" export "$demo" -o "$E2E_TMP/locked/playlist.html"
expect_status 1 "export over a read-only file"
expect_contains "$E2E_TMP/err" "read-only" "export over a read-only file"
expect_text "the old playlist" "$E2E_TMP/locked/playlist.html" "export over a read-only file: unchanged"
ls -A "$E2E_TMP/locked" >"$E2E_TMP/listing"
expect_text "playlist.html" "$E2E_TMP/listing" "export over a read-only file: nothing beside it"
chmod 644 "$E2E_TMP/locked/playlist.html"

# An unknown format names the known ones; a missing -o is a usage error.
tessaly --profile "$profile" export "$demo" -o "$E2E_TMP/x.html" --format Nope
expect_status 1 "export in an unknown format"
drop_unread_line "$E2E_TMP/err"
expect_text "tessaly: no output format named 'Nope'; known formats: Custom" "$E2E_TMP/err" \
  "export in an unknown format"
if [ ! -e "$E2E_TMP/x.html" ]; then pass; else fail "export in an unknown format: a file"; fi

tessaly --profile "$profile" export "$demo"
expect_status 2 "export without -o"
expect_contains "$E2E_TMP/err" "usage: tessaly export PLAYLIST... -o OUT" "export without -o"

e2e_finish
