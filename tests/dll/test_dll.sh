# The built DLL read as a file, without running it, so it is checked also where this machine
# cannot run the target: its format and machine, marked as a DLL, its one export, its imports
# (Windows system DLLs and kestrel.dll only: the C++ runtime is linked in), its version resource,
# and dialog 101 exactly as preferences.rc alone compiles it.
#   sh tests/dll/test_dll.sh TARGET BUILD_DIR RC_COMPILER      TARGET: win32 or win64
set -u
if [ $# -ne 3 ]; then
  echo "usage: sh $0 win32|win64 BUILD_DIR RC_COMPILER" >&2
  exit 2
fi
target=$1
dll="$2/components/vorlane.dll"
rc_compiler=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0

# expect_line LINE WHAT: the description of the DLL holds LINE.
expect_line() {
  if grep -qxF -- "$1" "$work/info"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL: $2: no line '$1' in:" >&2
    sed 's/^/    /' "$work/info" >&2
  fi
}

case $target in
  win32) format=PE32 machine=i386 ;;
  win64) format=PE32+ machine=x86_64 ;;
  *)
    echo "unknown target '$target'" >&2
    exit 2
    ;;
esac
python3 "$root/scripts/pe-info" "$dll" >"$work/info" || exit 1
expect_line "format=$format" "format"
expect_line "machine=$machine" "machine"
expect_line "dll=yes" "marked as a DLL"
expect_line "export_functions=1" "one exported function"
expect_line "exports=tessaly_get_interface" "the one export, unadorned"
imports=$(sed -n 's/^imports=//p' "$work/info")
foreign=
for name in $imports; do
  case $(printf '%s' "$name" | tr 'A-Z' 'a-z') in
    kernel32.dll | user32.dll | msvcrt.dll | gdi32.dll | advapi32.dll | comdlg32.dll | \
      shell32.dll | ole32.dll | ntdll.dll | comctl32.dll | kestrel.dll) ;;
    *) foreign="$foreign $name" ;;
  esac
done
if [ -n "$imports" ] && [ -z "$foreign" ]; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
  echo "FAIL: imports '$imports': not only Windows system DLLs and kestrel.dll:$foreign" >&2
fi
expect_line "file_version=1.3.0.0" "file version"
expect_line "product_version=1.3.0.0" "product version"
expect_line "FileVersion=1.03.00" "file version text"
expect_line "ProductVersion=1.03.00" "product version text"
expect_line "ProductName=Vorlane" "product name"
expect_line "OriginalFilename=vorlane.dll" "original file name"
for pattern in '^FileDescription=.' '^resource=5/101/1033 '; do
  if grep -q "$pattern" "$work/info"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL: no line matching $pattern" >&2
  fi
done

# Dialog 101 byte for byte as the resource script alone makes it.
"$rc_compiler" -I "$root/module/prefs" -O res "$root/module/prefs/preferences.rc" \
  -o "$work/preferences.res"
python3 "$root/scripts/pe-info" "$work/preferences.res" --resource 5 101 >"$work/alone"
python3 "$root/scripts/pe-info" "$dll" --resource 5 101 >"$work/in-dll"
if [ -s "$work/alone" ] && cmp -s "$work/alone" "$work/in-dll"; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
  echo "FAIL: dialog 101 in $dll differs from the one preferences.rc makes" >&2
fi

echo "$target: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
