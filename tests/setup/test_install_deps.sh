# scripts/install-deps against stand-ins of apt-get, dpkg, dpkg-query, id and machine-check: a
# mirror that fails, an install that apt cannot resolve, a machine without 32-bit execution. No
# root, no network: every package manager call is a script of this test that logs its arguments.
#   sh tests/setup/test_install_deps.sh ROOT
set -u
root=$(cd "${1:?usage: sh $0 ROOT}" && pwd) || exit 2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
passed=0
failed=0

# The stand-ins read their plans from $STATE and append every call to $STATE/calls. A plan is a
# list of outcomes, one a call; its last outcome repeats.
mkdir -p "$tmp/bin"
cat >"$tmp/bin/apt-get" <<'EOF'
#!/bin/sh
next() { # next PLAN: the outcome of this call of PLAN
  n=$(($(cat "$STATE/$1.count" 2>/dev/null || echo 0) + 1))
  echo $n >"$STATE/$1.count"
  set -- $(cat "$STATE/$1")
  shift $(($n > $# ? $# - 1 : $n - 1))
  echo "$1"
}
case " $* " in
  *" update "*)
    echo "apt-get update" >>"$STATE/calls"
    echo "Get:1 http://deb.debian.org/debian bookworm InRelease"
    if [ "$(next update)" = ok ]; then exit 0; fi
    echo "Err:6 http://deb.debian.org/debian-security bookworm-security/main i386 Packages"
    echo "  File has unexpected size (374820 != 376004). Mirror sync in progress?"
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
    exit 100 ;;
  *" install "*)
    # Logged as "apt-get install [-t RELEASE]"; the packages asked for go to $STATE/asked.
    target= previous= packages=
    for a; do
      case $previous in
        -t) target=" -t $a" ;;
        -o) ;;
        *) case $a in -* | install) ;; *) packages="$packages $a" ;; esac ;;
      esac
      previous=$a
    done
    echo "apt-get install$target" >>"$STATE/calls"
    printf '%s\n' $packages >"$STATE/asked"
    if [ "$(next install)" = ok ]; then
      cat "$STATE/asked" >>"$STATE/installed"
      exit 0
    fi
    echo " libfontconfig1:i386 : Depends: libexpat1:i386 (>= 2.0.1) but it is not installable"
    echo "E: Unable to correct problems, you have held broken packages."
    exit 100 ;;
esac
exit 1
EOF
cat >"$tmp/bin/dpkg-query" <<'EOF'
#!/bin/sh
for last; do :; done
grep -qx "$last" "$STATE/installed" 2>/dev/null && printf 'install ok installed'
exit 0
EOF
cat >"$tmp/bin/dpkg" <<'EOF'
#!/bin/sh
echo "dpkg $*" >>"$STATE/calls"
case $1 in
  --print-foreign-architectures) cat "$STATE/arches" 2>/dev/null ;;
  --add-architecture) echo "$2" >>"$STATE/arches" ;;
esac
EOF
printf '#!/bin/sh\necho 0\n' >"$tmp/bin/id"
chmod +x "$tmp/bin/"*

# case NAME RUNS32 UPDATE_PLAN INSTALL_PLAN WANT_STATUS WANT_CALLS: WANT_CALLS is the sequence of
# calls made, one a line, without options and package names.
case_() {
  name=$1
  state="$tmp/$name"
  mkdir -p "$state/tree/scripts" "$state/tree/build"
  cp "$root/scripts/install-deps" "$state/tree/scripts/"
  printf '#!/bin/sh\nprintf "VORLANE_WIN32_RUNS=%s\\n" >"$(dirname "$0")/../build/machine.env"\n' \
    "$2" >"$state/tree/scripts/machine-check"
  chmod +x "$state/tree/scripts/machine-check"
  echo "$3" >"$state/update"
  echo "$4" >"$state/install"
  status=0
  STATE=$state PATH="$tmp/bin:$PATH" INSTALL_DEPS_PAUSE=0 \
    "$state/tree/scripts/install-deps" >"$state/out" 2>&1 || status=$?
  calls=$(cat "$state/calls" 2>/dev/null)
  problem=
  if [ "$status" != "$5" ]; then
    problem="exit status $status, expected $5"
  elif [ "$calls" != "$6" ]; then
    problem="calls:
$calls
expected:
$6"
  elif [ "$2" = no ] && cat "$state/calls" "$state/asked" 2>/dev/null | grep -q i386; then
    problem="an i386 package or architecture was asked for"
  elif [ "$2" = yes ] && [ -f "$state/asked" ] && ! grep -qx 'wine32:i386' "$state/asked"; then
    problem="wine32:i386 was not asked for"
  elif [ "$5" = 0 ] && [ "$(wc -l <"$state/out")" -gt 6 ]; then
    problem="it printed $(wc -l <"$state/out") lines"
  fi
  if [ -n "$problem" ]; then
    failed=$((failed + 1))
    echo "FAIL: $name: $problem" >&2
    echo "  its output:" >&2
    sed 's/^/  | /' "$state/out" >&2
  else
    passed=$((passed + 1))
  fi
}

# Each outcome needs its line on the screen too.
expect_output() {
  if ! grep -q "$2" "$tmp/$1/out"; then
    failed=$((failed + 1))
    echo "FAIL: $1: no line matching '$2' in:" >&2
    sed 's/^/  | /' "$tmp/$1/out" >&2
  fi
}

release=$(. /etc/os-release && echo "$VERSION_CODENAME")
add="dpkg --print-foreign-architectures
dpkg --add-architecture i386"

case_ update_fails_once yes "fail ok" ok 0 "$add
apt-get update
apt-get update
apt-get install"

case_ one_index_always_fails yes fail ok 0 "$add
apt-get update
apt-get update
apt-get update
apt-get install"
expect_output one_index_always_fails "going on without them: bookworm-security/main i386 Packages$"

case_ install_unresolved_once yes ok "unmet ok" 0 "$add
apt-get update
apt-get install
apt-get install -t $release"
expect_output install_unresolved_once "trying again with $release as the target release"

case_ install_unresolved_twice yes fail unmet 1 "$add
apt-get update
apt-get update
apt-get update
apt-get install
apt-get install -t $release"
expect_output install_unresolved_twice "held broken packages"
expect_output install_unresolved_twice "FAILED while installing"

case_ no_32bit_execution no ok ok 0 "apt-get update
apt-get install"
if ! grep -q '^wine64$' "$tmp/no_32bit_execution/installed" ||
  ! grep -q '^g++-mingw-w64-i686$' "$tmp/no_32bit_execution/installed"; then
  failed=$((failed + 1))
  echo "FAIL: no_32bit_execution: wine64 and the i686 cross compiler were not installed" >&2
fi

# Everything present: nothing is called but the queries.
mkdir -p "$tmp/complete"
cp "$tmp/no_32bit_execution/installed" "$tmp/complete/installed"
case_ complete no ok ok 0 ""
expect_output complete "all packages present"

echo "install-deps: $passed cases passed, $failed checks failed"
[ "$failed" -eq 0 ]
