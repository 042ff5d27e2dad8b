# Entries whose titles nest thousands of sections inside each other, exported as a user whose
# library holds one odd tag would: the export writes exactly the bytes of the passes, every "&"
# escaped once for each section around it; and an entry whose rewrite cannot fit in memory is
# written as it came, the export going on.
. "$(dirname "$0")/lib.sh"

e2e_needs_programs

profile="$E2E_TMP/profile"
tessaly --profile "$profile" prefs --set format=%title% --set header= --set footer=
expect_status 0 "the entry format is the title, header and footer empty"

# nested SHAPE N: writes the playlist of one entry of SHAPE to $E2E_TMP/SHAPE-N.m3u8, and what
# its export must hold to $E2E_TMP/SHAPE-N.want (the line ends of the empty header and footer
# around it). amps: N markers, N "&" and N "}"; lts: the same around "<"; joins: N times
# "@htmlsafe", then N "{", which each end a marker once the one after them is gone; big: amps
# whose rewrite would need more than 2 GiB, which stays as it is.
nested() {
  /usr/bin/python3 - "$1" "$2" "$E2E_TMP/$1-$2" <<'END'
import sys
shape, n, base = sys.argv[1], int(sys.argv[2]), sys.argv[3]
if shape == "joins":
    title = "@htmlsafe" * n + "{" * n + "<" + "}" * n
    entry = "&" + "amp;" * (n - 1) + "lt;"
else:
    inner = "<" if shape == "lts" else "&"
    title = "@htmlsafe{" * n + inner * n + "}" * n
    entity = "&" + "amp;" * n if inner == "&" else "&" + "amp;" * (n - 1) + "lt;"
    entry = title if shape == "big" else entity * n
with open(base + ".m3u8", "w", encoding="utf-8") as f:
    f.write("#EXTM3U\n#EXTINF:100,%s\nnested.mp3\n" % title)
with open(base + ".want", "wb") as f:
    f.write(("\r\n%s\r\n\r\n" % entry).encode())
END
}

for case in "amps 3000" "lts 3000" "joins 1000" "big 23200"; do
  set -- $case
  nested "$1" "$2"
  tessaly --profile "$profile" export "$E2E_TMP/$1-$2.m3u8" -o "$E2E_TMP/$1-$2.out"
  expect_status 0 "$1, n = $2: export"
  expect_same "$E2E_TMP/$1-$2.want" "$E2E_TMP/$1-$2.out" "$1, n = $2: the exported bytes"
  rm -f "$E2E_TMP/$1-$2".*
done

e2e_finish
