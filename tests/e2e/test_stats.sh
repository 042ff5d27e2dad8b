# The statistics a Custom header sees, as "tessaly stats" shows them; playlists it cannot read.
. "$(dirname "$0")/lib.sh"

profile="$E2E_TMP/profile"
mkdir -p "$profile"

# Lengths 200.5, 100.25 and none: the worked example.
printf '#EXTM3U\r\n#EXTINF:200.5,Alder Finch - First\r\na.mp3\r\n#EXTINF:100.25,Second\r\nb.mp3\r\nc.mp3\r\n' \
  >"$E2E_TMP/three.m3u8"
tessaly --profile "$profile" stats "$E2E_TMP/three.m3u8"
expect_status 0 "stats of three entries"
drop_unread_line "$E2E_TMP/err"
expect_empty "$E2E_TMP/err" "stats of three entries: nothing on standard error (audit clean)"
cat >"$E2E_TMP/want-three" <<'END'
average_track_length_string=1:40
playlist_length_string=5:00
average_track_length_seconds=40
average_track_length_seconds_d=40.25
average_track_length_minutes=1
playlist_length_seconds=0
playlist_length_seconds_d=0.75
playlist_length_minutes=5
playlist_length_hours=0
playlist_total=3
num_tracks_no_length=1
vorlane_version=Vorlane 1.03.00
END
expect_same "$E2E_TMP/want-three" "$E2E_TMP/out" "stats of three entries"

# One entry of 3725.6 seconds: the average is split into minutes and seconds only.
printf '#EXTINF:3725.6,Long\nlong.flac\n' >"$E2E_TMP/one.m3u"
tessaly --profile "$profile" stats "$E2E_TMP/one.m3u"
expect_status 0 "stats of 3725.6 seconds"
cat >"$E2E_TMP/want-one" <<'END'
average_track_length_string=1:02:05
playlist_length_string=1:02:05
average_track_length_seconds=5
average_track_length_seconds_d=5.60
average_track_length_minutes=62
playlist_length_seconds=5
playlist_length_seconds_d=5.60
playlist_length_minutes=2
playlist_length_hours=1
playlist_total=1
num_tracks_no_length=0
vorlane_version=Vorlane 1.03.00
END
expect_same "$E2E_TMP/want-one" "$E2E_TMP/out" "stats of 3725.6 seconds"

# Two weeks in two entries, and one entry of length 0, which counts as having none.
printf '#EXTINF:604800,A\na\n#EXTINF:604800,B\nb\n#EXTINF:0,C\nc\n' >"$E2E_TMP/weeks.m3u"
tessaly --profile "$profile" stats "$E2E_TMP/weeks.m3u"
expect_status 0 "stats of two weeks"
cat >"$E2E_TMP/want-weeks" <<'END'
average_track_length_string=4d 16:00:00
playlist_length_string=2wk 0d 0:00:00
average_track_length_seconds=0
average_track_length_seconds_d=0.00
average_track_length_minutes=6720
playlist_length_seconds=0
playlist_length_seconds_d=0.00
playlist_length_minutes=0
playlist_length_hours=336
playlist_total=3
num_tracks_no_length=1
vorlane_version=Vorlane 1.03.00
END
expect_same "$E2E_TMP/want-weeks" "$E2E_TMP/out" "stats of two weeks"

# Odd but valid text gives odd entries, never a crash.
printf '#EXTINF:\001,\n\r\r#EXTINF:9e9999,\303\251 - \nx\033[0m\n#EXTALB:\n\304\200' \
  >"$E2E_TMP/odd.m3u"
tessaly --profile "$profile" stats "$E2E_TMP/odd.m3u"
expect_status 0 "stats of odd text"
expect_contains "$E2E_TMP/out" "playlist_total=" "stats of odd text"

# Binary garbage is no playlist: a clear message and status 1.
printf '\377\376\000\001#EXTINF:\200,\n\r\r#EXTINF:9e9999,\351 - \n\000\000x\033[0m\n#EXTALB:\377\n\304' \
  >"$E2E_TMP/garbage.m3u"
tessaly --profile "$profile" stats "$E2E_TMP/garbage.m3u"
expect_status 1 "stats of garbage"
expect_contains "$E2E_TMP/err" "garbage.m3u: not a playlist: line 1 is not UTF-8 text" "stats of garbage"

# A playlist that is missing: a clear message and status 1.
tessaly --profile "$profile" stats "$E2E_TMP/missing.m3u"
expect_status 1 "stats of a missing playlist"
expect_contains "$E2E_TMP/err" "tessaly: $E2E_TMP/missing.m3u: " "stats of a missing playlist"
expect_empty "$E2E_TMP/out" "stats of a missing playlist: no output"
# A folder is read for its audio files; one with none (playlists are not audio) has no entry.
tessaly --profile "$profile" stats "$E2E_TMP"
expect_status 0 "stats of a folder"
expect_contains "$E2E_TMP/out" "playlist_total=0" "stats of a folder"

tessaly --profile "$profile" formats
expect_status 0 "formats"
printf 'Custom\tCustom formatting strings as defined in prefs.\tAll Files|*.*\n' >"$E2E_TMP/want"
expect_same "$E2E_TMP/want" "$E2E_TMP/out" "formats"

e2e_finish
