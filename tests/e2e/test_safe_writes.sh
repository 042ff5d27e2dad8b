# How the host replaces a file it writes (an export, the configuration store, a saved
# configuration file): every failure point tried through TESSALY_FAIL_FILE_OPERATION, links
# planted at the temporary's name, the old file's mode, a link at the output path, and the order
# of the system calls that make the replace durable.
. "$(dirname "$0")/lib.sh"

e2e_needs_programs

if [ "$E2E_TARGET" = native ]; then
  io_error="Input/output error"
else
  io_error="I/O device error"
fi
demo="$E2E_ROOT/examples/demo.m3u8"
profile="$E2E_TMP/profile"
tessaly --profile "$profile" prefs --load "$E2E_ROOT/presets/html-table.tvc"
expect_status 0 "loading the HTML-table preset"

# write KIND TARGET: the writer KIND makes TARGET (export: an export of the demo; store: the
# configuration store, TARGET being FOLDER/configuration.txt; tvc: a saved configuration file).
write() {
  case $1 in
    export) tessaly --profile "$profile" export "$demo" -o "$2" ;;
    store) tessaly --profile "$(dirname "$2")" prefs --set 'header=<p>new</p>' ;;
    tvc) tessaly --profile "$profile" prefs --save "$2" ;;
  esac
}

# fresh KIND FOLDER: FOLDER made anew with the old file of KIND in it; its path in $target.
fresh() {
  rm -rf "$2"
  mkdir -p "$2"
  case $1 in
    export) target="$2/playlist.html" && printf 'the old playlist\n' >"$target" ;;
    store) target="$2/configuration.txt" && cp "$profile/configuration.txt" "$target" ;;
    tvc) target="$2/saved.tvc" && cp "$E2E_ROOT/presets/text.tvc" "$target" ;;
  esac
}

# What each writer writes, made once without any failure.
for kind in export store tvc; do
  fresh $kind "$E2E_TMP/reference-$kind"
  write $kind "$target"
  expect_status 0 "$kind: the reference"
  cp "$target" "$E2E_TMP/right-$kind"
done
# A store written where there was none holds the defaults besides the header.
mkdir -p "$E2E_TMP/reference-new-store"
write store "$E2E_TMP/reference-new-store/configuration.txt"
cp "$E2E_TMP/reference-new-store/configuration.txt" "$E2E_TMP/right-new-store"

# expect_only FOLDER NAME WHAT: FOLDER holds NAME and nothing else, hidden files included.
expect_only() {
  # The library index that an export keeps in its profile is no leftover of a write.
  ls -A "$1" | grep -v '^library\.sqlite' >"$E2E_TMP/listing"
  expect_text "$2" "$E2E_TMP/listing" "$3: nothing left beside it"
}

# Operation N of the process fails, for N = 1, 2, ... until the write succeeds (natively; one
# failure per writer on Windows, where each run costs seconds).
if [ "$E2E_TARGET" = native ]; then
  points="1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20"
else
  points=
fi
for kind in export store tvc; do
  case "$E2E_TARGET:$kind" in
    native:*) tries=$points ;;
    *:export) tries=3 ;; # the sync
    *:store) tries=5 ;;  # the rename
    *:tvc) tries=1 ;;    # the opening
  esac
  failures=0
  for n in $tries; do
    fresh $kind "$E2E_TMP/loop"
    cp "$target" "$E2E_TMP/old"
    cp "$profile/configuration.txt" "$E2E_TMP/old-store"
    export TESSALY_FAIL_FILE_OPERATION=$n
    write $kind "$target"
    unset TESSALY_FAIL_FILE_OPERATION
    what="$kind, operation $n failing"
    if [ "$status" -eq 0 ]; then
      expect_same "$E2E_TMP/right-$kind" "$target" "$kind: the first run that succeeds (operation $n)"
      expect_only "$E2E_TMP/loop" "$(basename "$target")" "$kind: the first run that succeeds"
      break
    fi
    expect_status 1 "$what"
    expect_contains "$E2E_TMP/err" "$io_error" "$what: the reason"
    if grep -qF "$target" "$E2E_TMP/err"; then
      failures=$((failures + 1))
      expect_same "$E2E_TMP/old" "$target" "$what: the old file kept"
    elif [ $kind = tvc ] && grep -qF "$profile/configuration.txt" "$E2E_TMP/err"; then
      # Saving the file went through; the store saved after it failed.
      expect_same "$E2E_TMP/right-$kind" "$target" "$what: the file saved before"
    else
      fail "$what: the message names no file"
    fi
    expect_only "$E2E_TMP/loop" "$(basename "$target")" "$what"
    expect_same "$E2E_TMP/old-store" "$profile/configuration.txt" "$what: the profile's store"
    expect_only "$profile" configuration.txt "$what: the profile"
  done
  if [ "$E2E_TARGET" = native ]; then
    echo "$kind: $failures failure points of its own"
    [ "$status" -eq 0 ] || fail "$kind: still failing after operation $n"
  fi
done

# On Windows: one export for each of the findings that the host's Windows build shares. The
# old file's access list is copied, but Wine maps access lists to modes too coarsely for a test
# of modes (0600 comes back as 0770).
if [ "$E2E_TARGET" != native ]; then
  # A link at every name the old temporary could have had: Windows' process ids are multiples
  # of 4, and those of a fresh Wine session stay far below 65,536.
  fresh export "$E2E_TMP/shared"
  printf 'not yours\n' >"$E2E_TMP/victim"
  python3 -c 'import os, sys
for pid in range(0, 65536, 4):
    os.symlink(sys.argv[1], "%s/.playlist.html.tmp%d" % (sys.argv[2], pid))' \
    "$E2E_TMP/victim" "$E2E_TMP/shared"
  write export "$target"
  expect_status 0 "export beside planted links"
  expect_text "not yours" "$E2E_TMP/victim" "export beside planted links: their target"
  expect_same "$E2E_TMP/right-export" "$target" "export beside planted links: the file"
  # A link at the output path is written through.
  fresh export "$E2E_TMP/linked"
  mkdir -p "$E2E_TMP/linked/elsewhere"
  mv "$target" "$E2E_TMP/linked/elsewhere/real"
  ln -s elsewhere/real "$target"
  write export "$target"
  expect_status 0 "export through a link"
  if [ -L "$target" ]; then pass; else fail "export through a link: the link is gone"; fi
  expect_same "$E2E_TMP/right-export" "$E2E_TMP/linked/elsewhere/real" \
    "export through a link: the file it points to"
  # The calls, read from Wine's relay trace of the main thread: the temporary created with
  # CREATE_NEW, its buffers flushed before it is closed, the rename written through
  # (MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH).
  fresh export "$E2E_TMP/traced"
  WINEDEBUG=+relay "$WINE_LOADER" "$TESSALY" --profile "$profile" export "$demo" -o "$target" \
    2>&1 >/dev/null | grep -E ':(Call|Ret) +KERNEL32\.(CreateFileW|FlushFileBuffers|CloseHandle|MoveFileExW)' \
    >"$E2E_TMP/relay"
  awk -v name="/.playlist.html.tmp-" -v out="$target" '
    step == 0 && /Call KERNEL32.CreateFileW/ && index($0, name) {
      split(substr($0, index($0, "\",") + 2), args, ",")
      if (args[4] != "00000001") { print "created without CREATE_NEW: " $0; bad = 1; exit }
      step = 1; next }
    step == 1 && /Ret +KERNEL32.CreateFileW/ { match($0, /retval=[0-9a-f]+/)
      handle = substr($0, RSTART + 7, RLENGTH - 7); step = 2; next }
    step == 2 && index($0, "FlushFileBuffers(" handle ")") { step = 3; next }
    step == 2 && index($0, "CloseHandle(" handle ")") { print "closed unflushed"; bad = 1; exit }
    step == 3 && /Call KERNEL32.MoveFileExW/ && index($0, name) {
      if ($0 !~ /,0+9\)/) { print "renamed without write-through: " $0; bad = 1; exit }
      step = 4; exit }
    END {
      if (step != 4 && !bad) print "the calls stopped at step " step " of 4"
      exit (bad || step != 4) }' "$E2E_TMP/relay" >"$E2E_TMP/order"
  if [ $? -eq 0 ]; then
    pass
  else
    fail "export: the calls: $(cat "$E2E_TMP/order")"
    tail -20 "$E2E_TMP/relay" | sed 's/^/    /' >&2
  fi
  e2e_finish
  exit $?
fi

# A link planted at the name the temporary could have had (before, ".NAME.tmpPID", opened with
# truncation): nothing outside the folder changes, and the output is a file of its own.
for kind in export store tvc; do
  fresh $kind "$E2E_TMP/shared"
  printf 'not yours\n' >"$E2E_TMP/victim"
  case $kind in
    export) command="export $demo -o $target" ;;
    store) command="prefs --set header=<p>new</p>" && profile_of=$E2E_TMP/shared ;;
    tvc) command="prefs --save $target" ;;
  esac
  [ $kind = store ] || profile_of=$profile
  name=$(basename "$target")
  # shellcheck disable=SC2016
  sh -c 'ln -s "$1" "$2/.$3.tmp$$"; shift 3; exec "$@"' planter "$E2E_TMP/victim" \
    "$E2E_TMP/shared" "$name" "$TESSALY" --profile "$profile_of" $command \
    >"$E2E_TMP/out" 2>"$E2E_TMP/err"
  status=$?
  expect_status 0 "$kind beside a planted link"
  expect_text "not yours" "$E2E_TMP/victim" "$kind beside a planted link: the link's target"
  if [ -f "$target" ] && [ ! -L "$target" ]; then pass; else fail "$kind: $target is no file"; fi
  expect_same "$E2E_TMP/right-$kind" "$target" "$kind beside a planted link: the file"
done

# The old file's mode stays: a private file stays private, a shared one shared.
for kind in export store tvc; do
  for mode in 600 640 664; do
    fresh $kind "$E2E_TMP/modes"
    chmod $mode "$target"
    write $kind "$target"
    expect_status 0 "$kind over a file of mode $mode"
    stat -c %a "$target" >"$E2E_TMP/mode"
    expect_text $mode "$E2E_TMP/mode" "$kind over a file of mode $mode"
  done
done

# A link at the output path is written through: the file it points to gets the new bytes and the
# link stays; a link to a file that does not exist makes that file.
for kind in export store tvc; do
  for pointed in real missing; do
    fresh $kind "$E2E_TMP/linked"
    mkdir -p "$E2E_TMP/linked/elsewhere"
    real="$E2E_TMP/linked/elsewhere/real"
    [ $pointed = missing ] || mv "$target" "$real"
    rm -f "$target"
    ln -s elsewhere/real "$target"
    write $kind "$target"
    what="$kind through a link to a $pointed file"
    expect_status 0 "$what"
    if [ -L "$target" ] && [ "$(readlink "$target")" = elsewhere/real ]; then
      pass
    else
      fail "$what: the link is gone"
    fi
    right=$E2E_TMP/right-$kind
    [ $kind$pointed != storemissing ] || right=$E2E_TMP/right-new-store
    expect_same "$right" "$real" "$what: the file it points to"
    expect_only "$E2E_TMP/linked/elsewhere" real "$what"
  done
done

# The order of the calls: the folder opened once, the temporary created in it exclusively and
# never through a link, synced before the rename, and the folder synced after it.
if command -v strace >/dev/null 2>&1; then
  for kind in export store tvc; do
    fresh $kind "$E2E_TMP/traced"
    case $kind in
      export) set -- export "$demo" -o "$target" ;;
      store) set -- prefs --set 'header=<p>new</p>' ;;
      tvc) set -- prefs --save "$target" ;;
    esac
    [ $kind = store ] && profile_of=$E2E_TMP/traced || profile_of=$profile
    # LeakSanitizer cannot run under ptrace.
    ASAN_OPTIONS=detect_leaks=0 strace -f -qq -o "$E2E_TMP/trace" -e trace=openat,fsync,close,rename,renameat,renameat2 \
      "$TESSALY" --profile "$profile_of" "$@" >"$E2E_TMP/out" 2>"$E2E_TMP/err"
    status=$?
    expect_status 0 "$kind under strace"
    awk -v folder="$E2E_TMP/traced" -v name="$(basename "$target")" '
      # A descriptor is named by its number only until it is closed: each sync must come
      # before the close of what it syncs.
      function call_on(call, fd) { return index($0, " " call "(" fd ")") || index($0, "\t" call "(" fd ")") }
      # The folder, opened once: every later step names the file relative to it.
      step == 0 && index($0, "openat(") && index($0, "\"" folder "\"") && /O_DIRECTORY/ {
        dir = $NF; step = 1; next }
      # The temporary: created with O_CREAT|O_EXCL|O_NOFOLLOW in the folder.
      step == 1 && index($0, "openat(" dir ", \"." name ".tmp-") && /O_CREAT/ {
        if (!/O_EXCL/ || !/O_NOFOLLOW/) { print "created without O_EXCL|O_NOFOLLOW: " $0; bad = 1 }
        fd = $NF; step = 2; next }
      step == 2 && call_on("fsync", fd) { step = 3; next }
      step == 2 && call_on("close", fd) { print "closed before it was synced: " $0; bad = 1; exit }
      step >= 2 && step <= 3 && /rename/ && index($0, dir ", \"" name "\")") {
        if (step != 3) { print "renamed before the temporary was synced: " $0; bad = 1; exit }
        step = 4; next }
      step == 4 && call_on("fsync", dir) { step = 5; exit }
      step == 4 && call_on("close", dir) { print "the folder was closed unsynced"; bad = 1; exit }
      END {
        if (step != 5 && !bad) print "the calls stopped at step " step " of 5"
        exit (bad || step != 5) }' "$E2E_TMP/trace" >"$E2E_TMP/order"
    if [ $? -eq 0 ]; then
      pass
    else
      fail "$kind: the order of the calls: $(cat "$E2E_TMP/order")"
      grep -F "$E2E_TMP/traced" "$E2E_TMP/trace" | head -20 | sed 's/^/    /' >&2
    fi
  done
else
  fail "strace is not installed (scripts/install-deps installs it)"
fi

e2e_finish
