# Every include runs downward: nothing under platform/ may include a file of module/ or host/.
# Each quoted include is resolved as the compiler does (the including file's folder, then the
# include folders in their order) and must land inside platform/.
#   sh tests/layers/test_includes.sh ROOT
set -u
root=$(cd "${1:?usage: sh $0 ROOT}" && pwd) || exit 2
passed=0
failed=0
for file in $(find "$root/platform" -name '*.h' -o -name '*.cpp' -o -name '*.inc' | sort); do
  dir=$(dirname "$file")
  for name in $(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file"); do
    resolved=
    for base in "$dir" "$root" "$root/module" "$root/platform"; do
      if [ -f "$base/$name" ]; then
        resolved=$(cd "$(dirname "$base/$name")" && pwd)/$(basename "$name")
        break
      fi
    done
    case $resolved in
      "$root"/platform/*) passed=$((passed + 1)) ;;
      "")
        failed=$((failed + 1))
        echo "FAIL: ${file#"$root"/} includes \"$name\", which is no file of the tree" >&2
        ;;
      *)
        failed=$((failed + 1))
        echo "FAIL: ${file#"$root"/} includes \"$name\", which is ${resolved#"$root"/}" >&2
        ;;
    esac
  done
done
echo "includes: $passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
