# The XSPF and M3U exports opened by GNOME's playlist parser, in a scratch folder that holds the
# demo playlist and its files: every local entry is found, with the playlist's titles. Linux
# paths only, so the native target; a Windows build's locations name Wine's drives.
. "$(dirname "$0")/lib.sh"

if [ "$E2E_TARGET" != native ]; then
  echo "$E2E_TARGET: the players' check runs on native only (its locations are Windows paths)"
  e2e_finish
  exit $?
fi
checker="$E2E_ROOT/tests/e2e/check_players.py"
mkdir -p "$E2E_TMP/scratch"
cp "$E2E_ROOT/examples/demo.m3u8" "$E2E_TMP/scratch/"
playlist="$E2E_TMP/scratch/demo.m3u8"
/usr/bin/python3 "$checker" files "$playlist"

for kind in xspf m3u; do
  profile="$E2E_TMP/profile-$kind"
  tessaly --profile "$profile" prefs --load "$E2E_ROOT/presets/$kind.tvc"
  expect_status 0 "$kind: the preset loads"
  tessaly --profile "$profile" export "$playlist" -o "$E2E_TMP/demo.$kind"
  expect_status 0 "$kind: export"
  if /usr/bin/python3 "$checker" open "$kind" "$playlist" "$E2E_TMP/demo.$kind" \
    >"$E2E_TMP/check" 2>&1; then
    pass
  else
    fail "$kind: GNOME's playlist parser does not open every entry"
    sed 's/^/    /' "$E2E_TMP/check" >&2
  fi
done

e2e_finish
