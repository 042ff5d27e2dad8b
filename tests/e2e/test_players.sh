# The XSPF and M3U exports opened by GNOME's playlist parser and by VLC, in a scratch folder that
# holds the playlist's files: the demo playlist, and one of names that a location line can
# misread (#, %, ?, quotes, brackets, non-ASCII). Every local entry is found, with the playlist's
# titles. VLC refuses to run as root, so it runs as nobody there. Linux paths only, so the native
# target; a Windows build's locations name Wine's drives.
. "$(dirname "$0")/lib.sh"

if [ "$E2E_TARGET" != native ]; then
  echo "$E2E_TARGET: the players' check runs on native only (its locations are Windows paths)"
  e2e_finish
  exit $?
fi
checker="$E2E_ROOT/tests/e2e/check_players.py"
scratch="$E2E_TMP/scratch"
mkdir -p "$scratch"
cp "$E2E_ROOT/examples/demo.m3u8" "$scratch/"
cat >"$scratch/hostile.m3u8" <<'END'
#EXTM3U
#EXTINF:1,Duo - x & y #1
x & y #1.mp3
#EXTINF:1,Live - 100%41
100%41 [live] {take 2} ~+=!.wav
#EXTINF:1,Rock - rock 'n' roll
rock 'n' roll;a,b #2.mp3
#EXTINF:1,Half - 50% off
50% off.wav
#EXTINF:1,Asking - what?
what?.wav
#EXTINF:1,Café Nébuleuse - Ünïcødé
Café Nébuleuse/Ünïcødé ñ #3 %C3.flac
#EXTINF:1,Folder - in a folder
a #4 folder/%2F & %20.ogg
#EXTINF:1,Plain - plain
plain.wav
END
for playlist in demo hostile; do
  /usr/bin/python3 "$checker" files "$scratch/$playlist.m3u8"
done

# VLC, where it can run: as nobody when this is root, with a home of its own, no session bus
# and no display. vlc_reason says why it cannot.
vlc_reason=
if ! command -v cvlc >/dev/null 2>&1; then
  vlc_reason="cvlc is not installed (scripts/install-deps installs vlc-bin)"
elif [ "$(id -u)" -eq 0 ] && ! command -v setpriv >/dev/null 2>&1; then
  vlc_reason="it refuses root, and setpriv is missing to run it as nobody"
elif [ "$(id -u)" -eq 0 ] && ! id nobody >/dev/null 2>&1; then
  vlc_reason="it refuses root, and there is no user nobody to run it as"
fi
vlc_home="$E2E_TMP/vlc-home"
mkdir -p "$vlc_home"
if [ -z "$vlc_reason" ] && [ "$(id -u)" -eq 0 ]; then
  as_user="setpriv --reuid=nobody --regid=$(id -g nobody) --clear-groups"
  chown nobody "$vlc_home"
  chmod a+rx "$E2E_TMP"
else
  as_user=
fi
# play FILE: VLC plays FILE to the end, its log in $E2E_TMP/vlc.log; stopped after a minute.
play() {
  # shellcheck disable=SC2086
  env -u DISPLAY HOME="$vlc_home" XDG_CONFIG_HOME="$vlc_home" XDG_CACHE_HOME="$vlc_home" \
    XDG_DATA_HOME="$vlc_home" timeout 60 $as_user cvlc -I dummy -A dummy -V dummy --no-dbus \
    --play-and-exit --no-loop --no-repeat -vv "$1" </dev/null >"$E2E_TMP/vlc.log" 2>&1
}
if [ -z "$vlc_reason" ] && ! play "$scratch/plain.wav"; then
  vlc_reason="cvlc failed: $(grep -v 'debug:' "$E2E_TMP/vlc.log" | tail -n 1)"
fi
if [ -n "$vlc_reason" ]; then
  echo "native: VLC cannot run here ($vlc_reason); only GNOME's playlist parser checks the exports"
fi

# checked WHAT COMMAND...: passes when COMMAND succeeds; else fails with WHAT and its output.
checked() {
  what=$1
  shift
  if "$@" >"$E2E_TMP/check" 2>&1; then
    pass
  else
    fail "$what"
    sed 's/^/    /' "$E2E_TMP/check" >&2
  fi
}

for kind in xspf m3u; do
  profile="$E2E_TMP/profile-$kind"
  tessaly --profile "$profile" prefs --load "$E2E_ROOT/presets/$kind.tvc"
  expect_status 0 "$kind: the preset loads"
  for playlist in demo hostile; do
    out="$scratch/$playlist-export.$kind"
    tessaly --profile "$profile" export "$scratch/$playlist.m3u8" -o "$out"
    expect_status 0 "$kind: export of $playlist"
    checked "$kind: GNOME's playlist parser does not open every entry of $playlist" \
      /usr/bin/python3 "$checker" open "$kind" "$scratch/$playlist.m3u8" "$out"
    # The demo names a stream and a file outside the scratch folder, which VLC would try.
    if [ -z "$vlc_reason" ] && [ $playlist = hostile ]; then
      play "$out"
      checked "$kind: VLC does not open every entry of $playlist" \
        /usr/bin/python3 "$checker" vlc "$scratch/$playlist.m3u8" "$out" "$E2E_TMP/vlc.log"
    fi
  done
done

e2e_finish
