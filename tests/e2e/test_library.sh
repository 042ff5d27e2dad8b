# Real audio files: tags and lengths read from them, folders, several inputs, PLS and XSPF, and
# files that cannot be read. The audio is made once, here, by sox, flac, lame, oggenc and opusenc.
# The Windows builds read no file (no TagLib for them): there the inputs are checked with the
# playlist's own information.
. "$(dirname "$0")/lib.sh"

profile="$E2E_TMP/profile"
lib="$E2E_TMP/lib"
mkdir -p "$profile" "$lib/First Album" "$lib/Second Album"

# tone SECONDS FILE: a WAV of a quiet tone, 8 kHz mono, exactly SECONDS long.
tone() {
  sox -D -q -n -r 8000 -c 1 -b 16 "$2" synth "$1" sine 440 vol 0.1
}

tone 1.5 "$E2E_TMP/t1.5.wav"
tone 2.25 "$E2E_TMP/t2.25.wav"
tone 3 "$E2E_TMP/t3.wav"
tone 61 "$lib/long.wav"
flac -s -f --no-padding --tag=ARTIST=Alder --tag="ALBUM=First Album" --tag=TITLE=Opening \
  --tag=TRACKNUMBER=1 -o "$lib/First Album/01 Intro.flac" "$E2E_TMP/t3.wav"
flac -s -f --no-padding --tag=ARTIST=Alder --tag="ALBUM=First Album" --tag=TITLE=Closing \
  --tag=TRACKNUMBER=2 -o "$lib/First Album/02 Outro.flac" "$E2E_TMP/t3.wav"
# Every format with a non-ASCII title, an "&" in its album and track 3 of 12.
flac -s -f --no-padding --tag="TITLE=Flüte" --tag="ALBUM=Salt & Rivets" --tag=ARTIST=Brass \
  --tag=TRACKNUMBER=3 --tag=TRACKTOTAL=12 --tag=DATE=2024 --tag=GENRE=Folk \
  -o "$lib/Second Album/a.flac" "$E2E_TMP/t1.5.wav"
lame --quiet --id3v2-only --tt "Mëdley" --tl "Salt & Rivets" --ta Brass --tn 3/12 \
  "$E2E_TMP/t1.5.wav" "$lib/Second Album/b.mp3"
oggenc -Q -s 1 -t "Ögg" -l "Salt & Rivets" -a Brass -N 3 -c TRACKTOTAL=12 -o "$lib/Second Album/c.ogg" \
  "$E2E_TMP/t1.5.wav"
opusenc --quiet --serial 1 --title "Ōpus" --album "Salt & Rivets" --artist Brass --comment TRACKNUMBER=3/12 \
  "$E2E_TMP/t2.25.wav" "$lib/Second Album/d.opus"
cp "$E2E_TMP/t2.25.wav" "$lib/Second Album/e.wav"
printf 'not audio at all\n' >"$lib/Second Album/notes.txt"

# A format that shows what a file gave.
fields='%list_index%|%codec%|%title%|%artist%|%album%|%tracknumber%/%totaltracks%|%length_seconds_exact%|%samplerate%|%channels%$crlf()'
tessaly --profile "$profile" prefs --set "format=$fields" --set "header=" --set "footer=" \
  --set autocrlf=0
expect_status 0 "prefs --set format"

if [ "$E2E_TARGET" != native ]; then
  # Windows: the inputs read, each entry as the playlist gives it.
  printf '[playlist]\r\nFile1=First Album/01 Intro.flac\r\nTitle1=From the PLS\r\nLength1=3\r\nNumberOfEntries=1\r\n' \
    >"$lib/list.pls"
  tessaly --profile "$profile" export "$lib/list.pls" "$lib/First Album" -o -
  expect_status 0 "PLS and a folder"
  printf '1||From the PLS|||/|3||\r\n2||01 Intro|||/|||\r\n3||02 Outro|||/|||\r\n' >"$E2E_TMP/want"
  expect_same "$E2E_TMP/want" "$E2E_TMP/out" "PLS and a folder"
  # XSPF through the system's XML reader: our own export read back to the same entries.
  tessaly --profile "$profile" export "$lib/list.pls" "$lib/First Album" --preset xspf -o "$lib/w.xspf"
  expect_status 0 "PLS and a folder as XSPF"
  tessaly --profile "$profile" export "$lib/w.xspf" -o -
  expect_status 0 "XSPF read back"
  expect_same "$E2E_TMP/want" "$E2E_TMP/out" "XSPF read back"
  e2e_finish
  exit
fi

# Done when: two FLACs of 3 s in a plain M3U, their tags and lengths in the HTML table.
printf 'First Album/01 Intro.flac\nFirst Album/02 Outro.flac\n' >"$lib/plain.m3u"
tessaly --profile "$E2E_TMP/fresh" export "$lib/plain.m3u" --preset html-table -o "$E2E_TMP/t.html"
expect_status 0 "plain M3U"
expect_contains "$E2E_TMP/t.html" "<caption>2 tracks, 0:06 in all, 0:03 on average, 0 of unknown length.</caption>" \
  "plain M3U: the caption"
expect_contains "$E2E_TMP/t.html" '<td>Alder</td><td>Opening</td><td>First Album</td><td class="num">0:03</td>' \
  "plain M3U: the first row"
expect_text "tessaly: wrote 2 entries to $E2E_TMP/t.html" "$E2E_TMP/err" "plain M3U: standard error"

# Every format's fields reach the export; a file that is no audio keeps its unknown length; a
# file without a title shows its name.
tessaly --profile "$profile" export "$lib/Second Album" -o -
expect_status 0 "a folder of five formats"
printf '%s\r\n' '1|FLAC|Flüte|Brass|Salt & Rivets|3/12|1.5|8000|1' \
  '2|MP3|Mëdley|Brass|Salt & Rivets|3/12|MP3_LENGTH|8000|1' \
  '3|Vorbis|Ögg|Brass|Salt & Rivets|3/12|1.5|8000|1' \
  '4|Opus|Ōpus|Brass|Salt & Rivets|3/12|2.25|48000|1' \
  '5|WAV|e|||/|2.25|8000|1' >"$E2E_TMP/want"
# lame frames the audio with its encoder delay and padding: the MP3 is as long as its frames say.
mp3_length=$(sed -n 's/^2|MP3|[^|]*|[^|]*|[^|]*|[^|]*|\([^|]*\)|.*/\1/p' "$E2E_TMP/out")
sed -i "s/MP3_LENGTH/$mp3_length/" "$E2E_TMP/want"
expect_same "$E2E_TMP/want" "$E2E_TMP/out" "a folder of five formats"
case $mp3_length in 1.5* | 1.6*) pass ;; *) fail "the MP3's length: $mp3_length" ;; esac
expect_empty "$E2E_TMP/err" "a folder of five formats: notes.txt is no audio and not listed"
# Read on one thread, on several, and from the index: the same bytes.
cp "$E2E_TMP/out" "$E2E_TMP/five"
for options in "--jobs 1 --no-index" "--jobs 3 --no-index" "--jobs 3 --rescan" ""; do
  # shellcheck disable=SC2086
  tessaly --profile "$profile" export "$lib/Second Album" -o - $options
  expect_same "$E2E_TMP/five" "$E2E_TMP/out" "a folder of five formats, $options"
done

# The other fields, from the three kinds of tags: Xiph comments (FLAC, Ogg) and ID3v2 (MP3).
mkdir "$E2E_TMP/more"
flac -s -f --tag=ALBUMARTIST=Various --tag=DATE=2024 --tag=GENRE=Folk --tag=DESCRIPTION=Live \
  --tag=DISCNUMBER=2 --tag=DISCTOTAL=3 -o "$E2E_TMP/more/a.flac" "$E2E_TMP/t1.5.wav"
oggenc -Q -s 1 -c ALBUMARTIST=Various -d 2024 -G Folk -c COMMENT=Live -c DISCNUMBER=2/3 \
  -o "$E2E_TMP/more/b.ogg" "$E2E_TMP/t1.5.wav"
lame --quiet --id3v2-only --ty 2024 --tg Folk --tc Live --tv TPE2=Various --tv TPOS=2/3 \
  "$E2E_TMP/t1.5.wav" "$E2E_TMP/more/c.mp3"
tessaly --profile "$E2E_TMP/more-profile" prefs --set header= --set footer= --set autocrlf=0 \
  --set 'format=%codec%|%album artist%|%date%|%genre%|%comment%|%discnumber%/%totaldiscs%$crlf()'
tessaly --profile "$E2E_TMP/more-profile" export "$E2E_TMP/more" -o -
printf '%s|Various|2024|Folk|Live|2/3\r\n' FLAC Vorbis MP3 >"$E2E_TMP/want"
expect_same "$E2E_TMP/want" "$E2E_TMP/out" "the other fields of every kind of tag"

# The twelve statistics: 1.5 s, 2.25 s, 61 s in three formats, and a file that is no audio.
printf 'Second Album/a.flac\nSecond Album/d.opus\nlong.wav\nSecond Album/notes.txt\n' >"$lib/stats.m3u"
tessaly --profile "$profile" stats "$lib/stats.m3u"
expect_status 0 "stats of real files"
cat >"$E2E_TMP/want" <<'END'
average_track_length_string=0:16
playlist_length_string=1:04
average_track_length_seconds=16
average_track_length_seconds_d=16.19
average_track_length_minutes=0
playlist_length_seconds=4
playlist_length_seconds_d=4.75
playlist_length_minutes=1
playlist_length_hours=0
playlist_total=4
num_tracks_no_length=1
vorlane_version=Vorlane 1.03.00
END
expect_same "$E2E_TMP/want" "$E2E_TMP/out" "stats of real files"
expect_text "tessaly: 1 of 4 files could not be read; first: $lib/Second Album/notes.txt: not an audio file that can be read" \
  "$E2E_TMP/err" "stats of real files: the one line"

# Inputs: a folder in path order (a link back up is read once), several inputs in the order
# given, a PLS whose entries the files' tags win over (a stream keeps the PLS's).
ln -s .. "$lib/First Album/loop"
tessaly --profile "$profile" export "$lib" -o -
expect_status 0 "a folder with a loop"
cut -d'|' -f1,3 "$E2E_TMP/out" | tr -d '\r' | paste -sd' ' - >"$E2E_TMP/titles"
expect_text "1|Opening 2|Closing 3|Flüte 4|Mëdley 5|Ögg 6|Ōpus 7|e 8|long" "$E2E_TMP/titles" \
  "a folder with a loop: path order, each file once"
rm "$lib/First Album/loop"
# --sort: natural order, letters folded, equal keys in the inputs' order, also reversed.
while IFS=: read -r options want; do
  # shellcheck disable=SC2086
  tessaly --profile "$profile" export "$lib" -o - $options
  cut -d'|' -f3 "$E2E_TMP/out" | tr -d '\r' | paste -sd' ' - >"$E2E_TMP/titles"
  expect_text "$want" "$E2E_TMP/titles" "export $options"
done <<'END'
--sort %title%:Closing e Flüte long Mëdley Opening Ögg Ōpus
--sort %album% --reverse:Flüte Mëdley Ögg Ōpus Opening Closing e long
--reverse:long e Ōpus Ögg Mëdley Flüte Closing Opening
END
printf '[playlist]\nFile2=Second Album/a.flac\nTitle2=Not this\nFile1=%s\nTitle1=Streamed\nLength1=7\nNumberOfEntries=2\n' \
  "http://radio.example/live" >"$lib/list.pls"
tessaly --profile "$profile" export "$lib/list.pls" "$lib/First Album/02 Outro.flac" "$lib/First Album" -o -
expect_status 0 "a PLS, a file and a folder"
cut -d'|' -f1,3,7 "$E2E_TMP/out" | tr -d '\r' | paste -sd' ' - >"$E2E_TMP/titles"
expect_text "1|Streamed|7 2|Flüte|1.5 3|Closing|3 4|Opening|3 5|Closing|3" "$E2E_TMP/titles" \
  "a PLS, a file and a folder"

# Our own XSPF read back: the same entries as the folder it was written from. A name that does
# not say XSPF is read by its content.
tessaly --profile "$profile" export "$lib" --preset xspf -o "$E2E_TMP/lib.xspf"
expect_status 0 "export as XSPF"
cp "$E2E_TMP/lib.xspf" "$E2E_TMP/lib.list"
tessaly --profile "$profile" export "$lib" -o "$E2E_TMP/from-folder"
tessaly --profile "$profile" export "$E2E_TMP/lib.list" -o "$E2E_TMP/from-xspf"
expect_status 0 "XSPF read back"
expect_same "$E2E_TMP/from-folder" "$E2E_TMP/from-xspf" "XSPF read back"
printf '<?xml version="1.0"?><playlist><trackList><track><location>' >"$E2E_TMP/bad.xspf"
tessaly --profile "$profile" export "$E2E_TMP/bad.xspf" -o -
expect_status 1 "XSPF that is not well-formed"
expect_contains "$E2E_TMP/err" "bad.xspf: not well-formed XML: line 1" "XSPF that is not well-formed"

# Bad files cost one line: a truncated FLAC, a text named .mp3, 1000 missing files.
head -c 100 "$lib/Second Album/a.flac" >"$lib/cut.flac"
printf 'hello\n' >"$lib/text.mp3"
{
  printf '#EXTINF:5,Kept - Title\ncut.flac\ntext.mp3\n'
  i=0
  while [ $i -lt 1000 ]; do printf 'gone/%d.flac\n' $i; i=$((i + 1)); done
} >"$lib/bad.m3u"
tessaly --profile "$E2E_TMP/fresh" export "$lib/bad.m3u" --preset m3u -o "$E2E_TMP/bad-out.m3u"
expect_status 0 "bad files"
printf 'tessaly: 1002 of 1002 files could not be read; first: %s: not an audio file that can be read\ntessaly: wrote 1002 entries to %s\n' \
  "$lib/cut.flac" "$E2E_TMP/bad-out.m3u" >"$E2E_TMP/want"
expect_same "$E2E_TMP/want" "$E2E_TMP/err" "bad files: one line"
expect_contains "$E2E_TMP/bad-out.m3u" "#EXTINF:5,Kept - Title" "bad files: the playlist's information kept"
tessaly --profile "$profile" export "$lib/gone.flac" -o -
expect_contains "$E2E_TMP/err" "1 of 1 file could not be read; first: $lib/gone.flac: No such file or directory" \
  "a missing file"
# What is no file to read is named, and a pipe is refused, not waited on for ever.
mkfifo "$E2E_TMP/pipe.flac"
mkdir "$E2E_TMP/folder.flac"
: >"$E2E_TMP/empty.flac"
for row in "pipe.flac:not a regular file" "folder.flac:is a folder" "empty.flac:empty file"; do
  printf '%s\n' "${row%%:*}" >"$E2E_TMP/one.m3u"
  tessaly --profile "$profile" export "$E2E_TMP/one.m3u" -o -
  expect_contains "$E2E_TMP/err" \
    "1 of 1 file could not be read; first: $E2E_TMP/${row%%:*}: ${row#*:}" "${row%%:*}"
done
if [ "$(id -u)" -ne 0 ]; then
  cp "$lib/Second Album/a.flac" "$lib/locked.flac"
  chmod 000 "$lib/locked.flac"
  tessaly --profile "$profile" export "$lib/locked.flac" -o -
  expect_status 0 "an unreadable file"
  expect_contains "$E2E_TMP/err" "locked.flac: Permission denied" "an unreadable file"
fi

# Covers: embedded in one album, a folder.jpg beside the other, the same picture: one thumbnail,
# named in both albums' headings. A format without %cover% reads no picture.
covers=$E2E_TMP/covers
mkdir -p "$covers/One" "$covers/Two"
convert -size 300x200 gradient:navy-gold "$E2E_TMP/cover.jpg"
flac -s -f --picture="3||||$E2E_TMP/cover.jpg" --tag=ALBUM=One --tag=TITLE=Inside \
  -o "$covers/One/a.flac" "$E2E_TMP/t1.5.wav"
flac -s -f --tag=ALBUM=Two --tag=TITLE=Beside -o "$covers/Two/b.flac" "$E2E_TMP/t1.5.wav"
cp "$E2E_TMP/cover.jpg" "$covers/Two/Folder.JPG"
tessaly --profile "$E2E_TMP/fresh3" export "$covers" --preset html-albums -o "$E2E_TMP/albums.html"
expect_status 0 "html-albums with covers"
grep -o '<img src="[^"]*"' "$E2E_TMP/albums.html" | sort -u >"$E2E_TMP/images"
ls "$E2E_TMP/albums.covers" | sed 's/^/<img src="albums.covers\//; s/$/"/' >"$E2E_TMP/thumbnails"
expect_same "$E2E_TMP/thumbnails" "$E2E_TMP/images" "html-albums: one thumbnail for both albums"
grep -c '<img src=' "$E2E_TMP/albums.html" >"$E2E_TMP/count"
expect_text 2 "$E2E_TMP/count" "html-albums: a cover in each album's heading"
# Again, nothing changed: the same page, and no audio file opened for its cover.
cp "$E2E_TMP/albums.html" "$E2E_TMP/albums-first.html"
ASAN_OPTIONS=detect_leaks=0 strace -f -qq -e trace=openat -o "$E2E_TMP/trace" "$TESSALY" \
  --profile "$E2E_TMP/fresh3" export "$covers" --preset html-albums -o "$E2E_TMP/albums.html" \
  >/dev/null 2>&1
expect_same "$E2E_TMP/albums-first.html" "$E2E_TMP/albums.html" "html-albums again"
grep -c '\.flac"' "$E2E_TMP/trace" >"$E2E_TMP/count"
expect_text 0 "$E2E_TMP/count" "html-albums again: audio files opened"
# The thumbnails deleted since: the embedded one made again, though the index knows its picture.
rm -r "$E2E_TMP/albums.covers"
tessaly --profile "$E2E_TMP/fresh3" export "$covers/One" --preset html-albums \
  -o "$E2E_TMP/albums.html"
ls "$E2E_TMP/albums.covers" | sed 's/^/<img src="albums.covers\//; s/$/"/' >"$E2E_TMP/thumbnails"
expect_same "$E2E_TMP/images" "$E2E_TMP/thumbnails" "html-albums, thumbnails deleted: made again"
tessaly --profile "$E2E_TMP/fresh3" export "$covers" --preset html-table -o "$E2E_TMP/table.html"
[ ! -e "$E2E_TMP/table.covers" ] && pass || fail "a format without %cover% made thumbnails"
# Tags of 80 MB: a picture in an MP3's ID3v2 tag (the title before it is still read, the picture
# is refused) and a comment over a thousand Ogg pages (the file is refused, saying why). Either
# way the export's peak memory stays within 64 MiB of the same export without them.
big=$E2E_TMP/big
mkdir -p "$big/with" "$big/ogg" "$big/without"
head -c 80000000 /dev/zero | cat "$E2E_TMP/cover.jpg" - >"$E2E_TMP/huge.jpg"
ffmpeg -loglevel error -y -i "$E2E_TMP/t1.5.wav" -i "$E2E_TMP/huge.jpg" -map 0 -map 1 \
  -c:a libmp3lame -c:v copy -id3v2_version 3 -metadata title=Heavy "$big/with/a.mp3"
ffmpeg -loglevel error -y -i "$E2E_TMP/t1.5.wav" -c:a libmp3lame -id3v2_version 3 \
  -metadata title=Heavy "$big/without/a.mp3"
{ printf 'TITLE=Heavy\nCOMMENT='; head -c 80000000 /dev/zero | tr '\0' a; echo; } >"$E2E_TMP/huge.txt"
oggenc -Q -s 1 -o "$big/ogg/a.ogg" "$E2E_TMP/t1.5.wav" && vorbiscomment -w -c "$E2E_TMP/huge.txt" \
  "$big/ogg/a.ogg"
rm "$E2E_TMP/huge.jpg" "$E2E_TMP/huge.txt"
# AddressSanitizer's quarantine would count memory already freed.
for kind in without ogg with; do
  ASAN_OPTIONS=quarantine_size_mb=0 /usr/bin/time -f %M -o "$E2E_TMP/peak-$kind" "$TESSALY" \
    --profile "$E2E_TMP/big-$kind" export \
    "$big/$kind" --preset html-albums -o "$E2E_TMP/big-$kind.html" >/dev/null 2>"$E2E_TMP/err"
  [ $kind = ogg ] && expect_contains "$E2E_TMP/err" "its tags are larger than 25 MiB" \
    "a comment of 80 MB: refused"
done
expect_contains "$E2E_TMP/err" "a picture in the tags larger than a cover may be" \
  "a picture of 80 MB: refused"
expect_contains "$E2E_TMP/big-with.html" "Heavy" "a picture of 80 MB: the title before it"
# ThreadSanitizer keeps several bytes of its own for each byte the program holds.
if ! grep -q '^VORLANE_TSAN:BOOL=ON' "$E2E_BUILD/CMakeCache.txt"; then
  for kind in with ogg; do
    more=$(($(tail -n 1 "$E2E_TMP/peak-$kind") - $(tail -n 1 "$E2E_TMP/peak-without")))
    [ "$more" -le 65536 ] && pass || fail "tags of 80 MB ($kind): $more KiB more memory at the peak"
  done
fi
rm -r "$big"
# A folder of thumbnails that cannot be made: one line, and the page without covers.
: >"$E2E_TMP/blocked.covers"
tessaly --profile "$E2E_TMP/fresh3" export "$covers" --preset html-albums -o "$E2E_TMP/blocked.html"
expect_status 0 "html-albums, thumbnails that cannot be written"
grep -c 'the export has no covers' "$E2E_TMP/err" >"$E2E_TMP/count"
expect_text 1 "$E2E_TMP/count" "html-albums, thumbnails that cannot be written: one line"
if grep -q '<img' "$E2E_TMP/blocked.html"; then fail "a cover without its thumbnail"; else pass; fi

# A fresh profile: the empty entry format is explained; an unknown preset is named.
tessaly --profile "$E2E_TMP/fresh2" export "$lib/plain.m3u" -o "$E2E_TMP/empty.txt"
expect_status 0 "a fresh profile"
expect_contains "$E2E_TMP/err" "the Custom entry format is empty, so no entry writes anything: choose a preset with --preset NAME (csv, html-albums, html-table, json, m3u, markdown, text, xspf)" \
  "a fresh profile: the hint"
tessaly --profile "$E2E_TMP/fresh2" export "$lib/plain.m3u" --preset nosuch -o "$E2E_TMP/empty.txt"
expect_status 1 "an unknown preset"
expect_contains "$E2E_TMP/err" "no preset 'nosuch'; the presets are csv, html-albums, html-table" "an unknown preset"

e2e_finish
