# The html-albums page in a real browser: typing a title into its search box leaves that title's
# row; without script the page shows every row. Native only (one page serves every target).
. "$(dirname "$0")/lib.sh"

if [ "$E2E_TARGET" != native ]; then
  echo "$E2E_TARGET: not run (the page is the same on every target)"
  e2e_finish
  exit $?
fi

# Two albums of two tracks: the search must hide a track beside the one it finds.
printf '#EXTM3U\n#EXTALB:North\n#EXTINF:61,Ann - First Light\na.flac\n#EXTALB:North\n#EXTINF:60,Ann - Second Wind\nb.flac\n#EXTALB:South\n#EXTINF:30,Bo - Third Rail\nc.flac\n#EXTALB:South\n#EXTINF:30,Bo - Fourth Wall\nd.flac\n' \
  >"$E2E_TMP/two.m3u8"
tessaly --profile "$E2E_TMP/profile" export "$E2E_TMP/two.m3u8" --preset html-albums \
  -o "$E2E_TMP/albums.html"
expect_status 0 "two albums as html-albums"
# Debian's Selenium lives in the system's Python, whatever python3 comes first on the PATH.
if /usr/bin/python3 "$E2E_ROOT/tests/e2e/check_search.py" "$E2E_TMP/albums.html" \
  "Second Wind" >"$E2E_TMP/check" 2>&1; then
  pass
else
  fail "the search box: $(cat "$E2E_TMP/check")"
fi

e2e_finish
