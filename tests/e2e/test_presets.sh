# Every preset in presets/: its .tvc is what scripts/make-tvc makes of its texts, it loads through
# the page, it writes the demo playlist byte for byte as tests/e2e/expected/ holds it, and what it
# writes of the demo and of a hostile playlist passes a real parser's check.
. "$(dirname "$0")/lib.sh"

checker="$E2E_ROOT/tests/e2e/check_presets.py"
demo="$E2E_ROOT/examples/demo.m3u8"
hostile="$E2E_TMP/hostile.m3u8"
python3 "$checker" hostile "$hostile"

# shown_as_set FILE: the text of FILE as 'prefs --show' prints it (one final line end dropped).
shown_as_set() {
  tr -d '\n' <"$1" | sed 's/\\/\\\\/g'
}

# host_folder PLAYLIST: the playlist's folder as the host names it, which its relative entries are
# joined to: the Linux path, or on Windows the path of Wine's Z: drive (the root folder).
host_folder() {
  folder=$(cd "$(dirname "$1")" && pwd)
  if [ "$E2E_TARGET" = native ]; then
    printf '%s' "$folder"
  else
    printf 'Z:%s' "$folder" | tr / '\\'
  fi
}

presets=0
for tvc in "$E2E_ROOT"/presets/*.tvc; do
  name=$(basename "$tvc" .tvc)
  texts="$E2E_ROOT/presets/$name"
  presets=$((presets + 1))
  case $name in
    html-table) kind=html ;;
    html-albums) kind=albums ;;
    xspf) kind=xspf ;;
    markdown) kind=md ;;
    text) kind=txt ;;
    m3u) kind=m3u ;;
    csv) kind=csv ;;
    json) kind=json ;;
    *)
      fail "preset $name: no check for it in $0"
      continue
      ;;
  esac

  made="$E2E_TMP/$name.tvc"
  if TESSALY="$TESSALY" sh "$E2E_ROOT/scripts/make-tvc" "$texts" "$made" >"$E2E_TMP/out" \
    2>"$E2E_TMP/err"; then
    expect_same "$tvc" "$made" "$name: scripts/make-tvc remakes presets/$name.tvc"
  else
    fail "$name: scripts/make-tvc failed"
  fi

  profile="$E2E_TMP/profile-$name"
  tessaly --profile "$profile" prefs --load "$tvc" --show
  expect_status 0 "$name: the preset loads through the page"
  {
    printf 'header=%s\n' "$(shown_as_set "$texts/header.txt")"
    printf 'format=%s\n' "$(shown_as_set "$texts/entry.txt")"
    printf 'footer=%s\n' "$(shown_as_set "$texts/footer.txt")"
    if [ -f "$texts/autocrlf.txt" ]; then
      printf 'autocrlf=%s\n' "$(tr -d ' \r\n' <"$texts/autocrlf.txt")"
    else
      printf 'autocrlf=1\n'
    fi
  } >"$E2E_TMP/settings"
  expect_same "$E2E_TMP/settings" "$E2E_TMP/out" "$name: the page shows the preset's texts"

  for playlist in "$demo" "$hostile"; do
    out="$E2E_TMP/$name-$(basename "$playlist" .m3u8).$kind"
    tessaly --profile "$profile" export "$playlist" -o "$out"
    expect_status 0 "$name: export of $playlist"
    if python3 "$checker" "$kind" "$playlist" "$out" "$(host_folder "$playlist")" \
      >"$E2E_TMP/check" 2>&1; then
      pass
    else
      fail "$name: what it wrote of $playlist does not pass the check"
      sed 's/^/    /' "$E2E_TMP/check" >&2
    fi
  done
  if [ "$kind" = html ] || [ "$kind" = albums ]; then
    # The page must stay clean HTML for a validator too, not only for Python's parser.
    if tidy -e -q "$E2E_TMP/$name-demo.$kind" >"$E2E_TMP/tidy" 2>&1; then
      pass
    else
      fail "$name: tidy -e warns about the demo page"
      sed 's/^/    /' "$E2E_TMP/tidy" >&2
    fi
  fi
  python3 "$checker" normalize "$(host_folder "$demo")" "$E2E_TMP/$name-demo.$kind" \
    >"$E2E_TMP/$name-demo.normal"
  expect_same "$E2E_EXPECTED/demo-playlist.$kind" "$E2E_TMP/$name-demo.normal" \
    "$name: the demo playlist"
done
# The M3U export read back by the host: the same twelve statistics as the playlist it came from.
tessaly --profile "$E2E_TMP/profile-m3u" stats "$demo"
cp "$E2E_TMP/out" "$E2E_TMP/stats-demo"
tessaly --profile "$E2E_TMP/profile-m3u" stats "$E2E_TMP/m3u-demo.m3u"
expect_status 0 "m3u: the export loads back"
expect_same "$E2E_TMP/stats-demo" "$E2E_TMP/out" "m3u: statistics of the export loaded back"

if [ "$presets" -ge 8 ]; then pass; else fail "only $presets presets in presets/"; fi

e2e_finish
