# The library index in the profile: whatever happens to it (a kill, damage, a profile that cannot
# be written, two exports at once), an export is byte for byte the export without it; a tag edit
# that keeps the file's time is seen; a removed file loses its row. The progress line shows on a
# terminal only. Native only: the Windows builds read no tags and keep no index.
. "$(dirname "$0")/lib.sh"

if [ "$E2E_TARGET" != native ]; then
  echo "$E2E_TARGET: not run (the Windows builds read no tags and keep no index)"
  e2e_finish
  exit $?
fi

lib=$E2E_TMP/lib
mkdir -p "$lib/a" "$lib/b"
sox -D -q -n -r 8000 -c 1 -b 16 "$E2E_TMP/t.wav" synth 0.5 sine 440 vol 0.1
flac -s -f --no-padding --tag=ARTIST=Alder --tag=TITLE=Flüte -o "$E2E_TMP/t.flac" "$E2E_TMP/t.wav"
oggenc -Q -s 1 -t Ögg -a Brass -o "$E2E_TMP/t.ogg" "$E2E_TMP/t.wav"
i=0
while [ $i -lt 500 ]; do
  cp "$E2E_TMP/t.flac" "$lib/a/$i.flac"
  cp "$E2E_TMP/t.ogg" "$lib/b/$i.ogg"
  i=$((i + 1))
done
printf 'no audio\n' >"$lib/b/notes.mp3"

fields='%list_index%|%path%|%codec%|%title%|%artist%|%length_seconds_exact%$crlf()'
settings=$E2E_TMP/settings
tessaly --profile "$settings" prefs --set "format=$fields" --set header= --set footer= \
  --set autocrlf=0
expect_status 0 "prefs --set"
# profile NAME: a profile with the settings and no index, its path in $p.
profile() {
  p=$E2E_TMP/$1
  rm -rf "$p"
  mkdir -p "$p"
  cp "$settings/configuration.txt" "$p/"
}
# notes_only: $E2E_TMP/err without the export's usual lines (the one file that is no audio, the
# entries written).
notes_only() {
  grep -v -e '^tessaly: 1 of 1001 files could not be read; first: .*notes.mp3' -e '^tessaly: wrote ' \
    "$E2E_TMP/err" >"$E2E_TMP/notes"
}
# run NAME ARGS...: an export of the library with profile NAME into $E2E_TMP/NAME.out.
run() {
  name=$1
  shift
  tessaly --profile "$E2E_TMP/$name" export "$lib" -o "$E2E_TMP/$name.out" --quiet "$@"
}
profile plain
run plain --no-index
expect_status 0 "the export without an index"
[ ! -e "$E2E_TMP/plain/library.sqlite" ] && pass || fail "--no-index made an index"
right=$E2E_TMP/plain.out
grep -c '|FLAC|Flüte|Alder|0.5' "$right" >"$E2E_TMP/count"
expect_text 500 "$E2E_TMP/count" "the export without an index: the files read"

# A first export killed at ten moments (a fixed seed), then an export: the same bytes.
profile killed
for delay in $(python3 -c 'import random; random.seed(7); print(*("%.3f" % random.uniform(0, 0.3) for _ in range(10)))'); do
  "$TESSALY" --profile "$p" export "$lib" -o "$E2E_TMP/killed.out" --quiet --jobs 2 \
    >/dev/null 2>&1 &
  sleep "$delay"
  kill -9 $! 2>/dev/null
  wait $! 2>/dev/null
done
run killed
expect_status 0 "an export after ten kills"
expect_same "$right" "$E2E_TMP/killed.out" "an export after ten kills"
run killed
expect_same "$right" "$E2E_TMP/killed.out" "an export after ten kills, from the index"
notes_only
expect_empty "$E2E_TMP/notes" "an export after ten kills: standard error"

# Two exports of one profile at once: both right, neither "locked".
profile twice
"$TESSALY" --profile "$p" export "$lib" -o "$E2E_TMP/twice.out" --quiet 2>"$E2E_TMP/err-1" &
first=$!
tessaly --profile "$p" export "$lib" -o "$E2E_TMP/twice-2.out" --quiet
second=$status
cat "$E2E_TMP/err-1" >>"$E2E_TMP/err"
wait $first
expect_status 0 "the first of two exports at once"
status=$second
expect_status 0 "the second of two exports at once"
expect_same "$right" "$E2E_TMP/twice.out" "the first of two exports at once"
expect_same "$right" "$E2E_TMP/twice-2.out" "the second of two exports at once"
if grep -q 'library index' "$E2E_TMP/err"; then fail "two exports at once: $(cat "$E2E_TMP/err")"; else pass; fi

# Broken indexes: moved aside with one line, made anew, and the export is right.
profile good
run good
cp "$p/library.sqlite" "$E2E_TMP/good.sqlite"
for kind in truncated random text; do
  profile broken
  case $kind in
    truncated) head -c 12000 "$E2E_TMP/good.sqlite" >"$p/library.sqlite" ;;
    random) python3 -c 'import random, sys; random.seed(3); sys.stdout.buffer.write(random.randbytes(40960))' \
      >"$p/library.sqlite" ;;
    text) printf 'these are my notes\n' >"$p/library.sqlite" ;;
  esac
  run broken
  expect_status 0 "a $kind index"
  expect_same "$right" "$E2E_TMP/broken.out" "a $kind index"
  expect_contains "$E2E_TMP/err" "$p/library.sqlite was damaged" "a $kind index: the line"
  [ -f "$p/library.sqlite.broken" ] && pass || fail "a $kind index: not moved aside"
  run broken
  expect_same "$right" "$E2E_TMP/broken.out" "a $kind index, made anew"
  notes_only
  expect_empty "$E2E_TMP/notes" "a $kind index, made anew: standard error"
done

# A profile that cannot be written: the export is right, with one line.
profile locked
run locked
chmod 555 "$p"
rm -f "$p/library.sqlite"* 2>/dev/null
if [ "$(id -u)" -eq 0 ]; then
  # Root writes anywhere: the profile is a read-only bind of itself.
  if unshare -m sh -c 'mount --bind -o ro "$1" "$1" && "$2" --profile "$1" export "$3" -o "$4" --quiet' \
    sh "$p" "$TESSALY" "$lib" "$E2E_TMP/locked.out" >"$E2E_TMP/out" 2>"$E2E_TMP/err"; then
    status=0
  else
    status=$?
  fi
else
  run locked
fi
chmod 755 "$p"
expect_status 0 "a profile that cannot be written"
expect_same "$right" "$E2E_TMP/locked.out" "a profile that cannot be written"
grep -c 'library index' "$E2E_TMP/err" >"$E2E_TMP/count"
expect_text 1 "$E2E_TMP/count" "a profile that cannot be written: one line"

# A tag edited in place, the file's time put back (touch -r): the new title is read.
profile edited
run edited
cp -p "$lib/a/7.flac" "$E2E_TMP/time"
python3 - "$lib/a/7.flac" <<'EOF'
import sys
with open(sys.argv[1], "r+b") as f:
    data = f.read()
    f.seek(data.index("Flüte".encode()))
    f.write("Flöte".encode())
EOF
touch -r "$E2E_TMP/time" "$lib/a/7.flac"
run edited
expect_contains "$E2E_TMP/edited.out" "$lib/a/7.flac|FLAC|Flöte|" "a tag edit that kept the time"
cp "$E2E_TMP/t.flac" "$lib/a/7.flac"

# A removed file loses its row.
rows() {
  python3 -c 'import sqlite3, sys; print(sqlite3.connect(sys.argv[1]).execute("select count(*) from files where path like ?", (sys.argv[2],)).fetchone()[0])' \
    "$E2E_TMP/edited/library.sqlite" "$1" >"$E2E_TMP/count"
}
rows "$lib/b/%"
expect_text 501 "$E2E_TMP/count" "the rows of a folder"
mv "$lib/b/3.ogg" "$E2E_TMP/3.ogg"
run edited
rows "$lib/b/%"
expect_text 500 "$E2E_TMP/count" "a removed file's row"
mv "$E2E_TMP/3.ogg" "$lib/b/3.ogg"

# The progress line: in a terminal, cleared before the last line; never in a pipe.
script -qec "'$TESSALY' --profile '$E2E_TMP/good' export '$lib' -o '$E2E_TMP/p.out' --rescan" \
  /dev/null >"$E2E_TMP/terminal" 2>&1
expect_contains "$E2E_TMP/terminal" "$(printf '\rreading files: 0 of 1001')" "the progress line"
expect_contains "$E2E_TMP/terminal" "$(printf '\r\033[Ktessaly: 1 of 1001 files could not be read')" \
  "the progress line cleared"
tessaly --profile "$E2E_TMP/good" export "$lib" -o "$E2E_TMP/p.out" --rescan
if grep -q 'reading files' "$E2E_TMP/err"; then fail "a progress line in a pipe"; else pass; fi

e2e_finish
