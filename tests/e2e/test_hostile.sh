# Hostile input at the command line: each gets a clear "tessaly:" message and exit status 1, and
# nothing the user had is lost: not the settings, not the store, not an old output file.
. "$(dirname "$0")/lib.sh"

profile="$E2E_TMP/profile"
mkdir -p "$profile"
printf '\003\000<p>\007\000%%title%%\004\000</p>\001' >"$E2E_TMP/good.tvc"
tessaly --profile "$profile" prefs --load "$E2E_TMP/good.tvc" --show
expect_status 0 "loading a good configuration"
cp "$E2E_TMP/out" "$E2E_TMP/settings-before"
cp "$profile/configuration.txt" "$E2E_TMP/store-before"

# settings_kept WHAT: the settings and the store are what they were before.
settings_kept() {
  tessaly --profile "$profile" prefs --show
  expect_same "$E2E_TMP/settings-before" "$E2E_TMP/out" "$1: settings kept"
  expect_same "$E2E_TMP/store-before" "$profile/configuration.txt" "$1: store kept"
}

# Configuration files that are none.
head -c 300000 /dev/zero | tr '\000' '\001' >"$E2E_TMP/huge.tvc"
: >"$E2E_TMP/empty.tvc"
mkdir "$E2E_TMP/folder.tvc"
for case in "huge.tvc:more than a configuration file holds" \
  "empty.tvc:Invalid config file" "folder.tvc:Error opening config file" \
  "missing.tvc:Error opening config file"; do
  name=${case%%:*}
  message=${case#*:}
  tessaly --profile "$profile" prefs --load "$E2E_TMP/$name"
  expect_status 1 "loading $name"
  expect_contains "$E2E_TMP/err" "tessaly: " "loading $name"
  expect_contains "$E2E_TMP/err" "$message" "loading $name"
  settings_kept "loading $name"
done
if [ "$(id -u)" -ne 0 ]; then
  cp "$E2E_TMP/good.tvc" "$E2E_TMP/unreadable.tvc"
  chmod 000 "$E2E_TMP/unreadable.tvc"
  tessaly --profile "$profile" prefs --load "$E2E_TMP/unreadable.tvc"
  expect_status 1 "loading an unreadable file"
  expect_contains "$E2E_TMP/err" "Error opening config file" "loading an unreadable file"
  settings_kept "loading an unreadable file"
fi

# Playlists that are none, onto an old output that must survive.
printf 'old output\n' >"$E2E_TMP/old.html"
cp "$E2E_TMP/old.html" "$E2E_TMP/old-before.html"
head -c 4096 /dev/urandom | tr -d '\n' >"$E2E_TMP/garbage.m3u"
printf '\000' >>"$E2E_TMP/garbage.m3u"
printf 'bad\377name' >"$E2E_TMP/name-list"
for playlist in "$E2E_TMP/garbage.m3u" "$E2E_TMP/$(cat "$E2E_TMP/name-list").m3u"; do
  tessaly --profile "$profile" export "$playlist" -o "$E2E_TMP/old.html"
  expect_status 1 "exporting $playlist"
  expect_contains "$E2E_TMP/err" "tessaly: " "exporting $playlist"
  expect_same "$E2E_TMP/old-before.html" "$E2E_TMP/old.html" "exporting $playlist: old output kept"
done
settings_kept "exporting what is no playlist"

# Outputs that cannot be written.
printf 'a.mp3\n' >"$E2E_TMP/one.m3u"
tessaly --profile "$profile" export "$E2E_TMP/one.m3u" -o "$E2E_TMP/missing/out.html"
expect_status 1 "exporting into a missing folder"
expect_contains "$E2E_TMP/err" "tessaly: " "exporting into a missing folder"
chmod 444 "$E2E_TMP/old.html"
tessaly --profile "$profile" export "$E2E_TMP/one.m3u" -o "$E2E_TMP/old.html"
expect_status 1 "exporting onto a read-only file"
expect_same "$E2E_TMP/old-before.html" "$E2E_TMP/old.html" "exporting onto a read-only file"
# The host names its temporary ".NAME.tmpPID", hidden from a plain ls.
if ls -A "$E2E_TMP" | grep -q '\.tmp'; then
  fail "a failed export left a temporary file"
else
  pass
fi

# A million one-byte entries is a valid, if odd, playlist: written whole.
awk 'BEGIN { for (i = 0; i < 1000000; i++) print "a" }' >"$E2E_TMP/million.m3u"
tessaly --profile "$profile" export "$E2E_TMP/million.m3u" -o "$E2E_TMP/million.html"
expect_status 0 "exporting a million entries"
expect_contains "$E2E_TMP/err" "wrote 1000000 entries" "exporting a million entries"
# The header, one line per entry (the title is unknown), the footer.
lines=$(wc -l <"$E2E_TMP/million.html")
if [ "$lines" -eq 1000002 ]; then pass; else fail "a million entries gave $lines lines"; fi

e2e_finish
