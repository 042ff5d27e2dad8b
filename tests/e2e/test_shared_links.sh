# A link at the output path in a shared folder (sticky, writable by everyone, as /tmp): written
# through only when this user or the folder's owner made it, never when another user did. Two
# users of one machine, so only as root; Linux only (Windows keeps its own rules for links).
. "$(dirname "$0")/lib.sh"

if [ "$E2E_TARGET" != native ]; then
  echo "$E2E_TARGET: not run (the owners of links are a Linux question)"
  e2e_finish
  exit $?
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "native: not run (it makes two users, which needs root)"
  e2e_finish
  exit $?
fi

user=vorlane-e2e-writer
other=vorlane-e2e-other
for name in $user $other; do
  id -u $name >/dev/null 2>&1 || useradd --system --no-create-home --shell /bin/false $name ||
    exit 1
done
remove_users() {
  userdel $user 2>/dev/null
  userdel $other 2>/dev/null
  e2e_cleanup
}
trap remove_users EXIT

# The users must reach the program: a copy, with its libraries and modules, where they can.
chmod 755 "$E2E_TMP"
bin=$E2E_TMP/bin
mkdir -p "$bin"
cp -r "$TESSALY" "$E2E_BUILD"/lib*.so "$E2E_BUILD/components" "$bin/"
as() {
  who=$1
  shift
  LD_LIBRARY_PATH=$bin setpriv --reuid "$who" --regid "$who" --clear-groups "$bin/tessaly" "$@" \
    >"$E2E_TMP/out" 2>"$E2E_TMP/err"
  status=$?
}

home=$E2E_TMP/home
shared=$E2E_TMP/shared
mkdir -p "$home" "$shared"
chown $user:$user "$home"
chmod 700 "$home"
chmod 1777 "$shared"
as $user --profile "$home/profile" prefs --load "$E2E_ROOT/presets/text.tvc"
expect_status 0 "loading a preset as the user"
cp "$E2E_ROOT/examples/demo.m3u8" "$home/"

# Rows: who makes the link, whether what it points to exists, the status, and what is in the
# file it points to afterwards (kept: the old text; written: the export).
while read -r owner pointed want_status want; do
  rm -f "$shared/out.txt" "$home/dotfile"
  [ "$pointed" = missing ] || printf 'the user own file\n' >"$home/dotfile"
  [ "$pointed" = missing ] || chown $user "$home/dotfile"
  setpriv --reuid "$owner" --regid "$owner" --clear-groups ln -s "$home/dotfile" "$shared/out.txt"
  as $user --profile "$home/profile" export "$home/demo.m3u8" -o "$shared/out.txt"
  what="a link of $owner to a $pointed file"
  expect_status "$want_status" "$what"
  case $want in
    kept)
      printf 'the user own file\n' >"$E2E_TMP/old"
      if [ "$pointed" = missing ]; then
        [ ! -e "$home/dotfile" ] && pass || fail "$what: the file it points to was made"
      else
        expect_same "$E2E_TMP/old" "$home/dotfile" "$what: the file it points to"
      fi
      expect_contains "$E2E_TMP/err" "$shared/out.txt is a link that another user made" "$what"
      ;;
    written)
      expect_contains "$home/dotfile" "1. Velvet Orchard – Lanterns & Ladders (4:05)" \
        "$what: the file it points to"
      ;;
  esac
  find "$shared" "$home" -name '*.tmp-*' >"$E2E_TMP/temporaries"
  expect_empty "$E2E_TMP/temporaries" "$what: a temporary left"
done <<EOF
$other existing 1 kept
$other missing 1 kept
$user existing 0 written
$user missing 0 written
root existing 0 written
EOF

e2e_finish
