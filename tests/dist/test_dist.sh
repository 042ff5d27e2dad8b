# The release archive as a user gets it: its layout and checksum, the DLL inside (stripped,
# PE32 i386, the one export, the version), and every preset in it loaded through the page by
# the win32 tessaly with the archive's DLL as its only module.
#   sh tests/dist/test_dist.sh win32 BUILD_DIR [DIST_DIR]
# With DIST_DIR the archive there is checked; without, scripts/make-dist makes one to check.
if [ $# -lt 2 ] || [ $# -gt 3 ]; then
  echo "usage: sh $0 win32 BUILD_DIR [DIST_DIR]" >&2
  exit 2
fi
dist_dir=${3:-}
set -- "$1" "$2"
. "$(dirname "$0")/../e2e/lib.sh"

if [ -z "$dist_dir" ]; then
  dist_dir="$E2E_TMP/dist"
  if python3 "$E2E_ROOT/scripts/make-dist" "$E2E_BUILD" "$dist_dir" >"$E2E_TMP/out" \
    2>"$E2E_TMP/err"; then
    pass
  else
    fail "scripts/make-dist"
  fi
  # A second packing of the same build, a second later, gives the same bytes: nothing in the
  # archive or the stripped DLL carries the time of packing.
  sleep 1.1
  python3 "$E2E_ROOT/scripts/make-dist" "$E2E_BUILD" "$E2E_TMP/again" >"$E2E_TMP/out" \
    2>"$E2E_TMP/err"
  if cmp -s "$dist_dir/SHA256SUMS" "$E2E_TMP/again/SHA256SUMS"; then
    pass
  else
    fail "a second packing differs: $(cat "$dist_dir/SHA256SUMS" "$E2E_TMP/again/SHA256SUMS")"
  fi
fi
set -- "$dist_dir"/vorlane-*-win32.zip
if [ $# -eq 1 ] && [ -f "$1" ]; then pass; else fail "not one archive in $dist_dir: $*"; fi
archive=$1

# Layout, checksum and the DLL, read with Python's zipfile and scripts/pe-info.
unpacked="$E2E_TMP/unpacked"
if python3 - "$E2E_ROOT" "$archive" "$unpacked" >"$E2E_TMP/check" 2>&1 <<'PYTHON'
import hashlib, importlib.machinery, importlib.util, os, sys, zipfile
root, archive, unpacked = sys.argv[1:]
loader = importlib.machinery.SourceFileLoader("pe_info", os.path.join(root, "scripts", "pe-info"))
pe_info = importlib.util.module_from_spec(importlib.util.spec_from_loader("pe_info", loader))
loader.exec_module(pe_info)
problems = []
def expect(got, want, what):
    if got != want:
        problems.append("%s: got %r, expected %r" % (what, got, want))

presets = sorted(n for n in os.listdir(os.path.join(root, "presets")) if n.endswith(".tvc"))
with zipfile.ZipFile(archive) as z:
    expect(z.testzip(), None, "a damaged entry")
    expect(sorted(z.namelist()), sorted(["README.txt", "vorlane.dll"] +
                                        ["presets/" + p for p in presets]), "entries")
    z.extractall(unpacked)
with open(archive, "rb") as f:
    digest = hashlib.sha256(f.read()).hexdigest()
with open(os.path.join(os.path.dirname(archive), "SHA256SUMS")) as f:
    expect(f.read(), "%s  %s\n" % (digest, os.path.basename(archive)), "SHA256SUMS")

with open(os.path.join(unpacked, "vorlane.dll"), "rb") as f:
    image = pe_info.Image(f.read())
expect((image.format, image.machine), ("PE32", "i386"), "the DLL's format")
expect(image.exports(), (1, ["tessaly_get_interface"]), "the DLL's exports")
expect(image.symbol_count, 0, "symbols left in the DLL")
expect([s[0] for s in image.sections if s[0].startswith((".debug", ".zdebug"))], [],
       "debug sections")
version = {}
for type_id, _, _, body in image.resources():
    if type_id == 16:
        version = pe_info.version_info(body)
expect((version.get("file_version"), version.get("product_version"),
        version.get("ProductVersion"), version.get("ProductName")),
       ("1.3.0.0", "1.3.0.0", "1.03.00", "Vorlane"), "the version resource")
expect(os.path.basename(archive), "vorlane-1.03.00-win32.zip", "the archive's name")

for preset in presets:
    inside = os.path.join(unpacked, "presets", preset)
    with open(os.path.join(root, "presets", preset), "rb") as f:
        want = f.read()
    got = open(inside, "rb").read() if os.path.exists(inside) else None
    expect(got == want, True, "presets/%s as in the repository" % preset)
with open(os.path.join(unpacked, "README.txt"), "rb") as f:
    readme = f.read()
expect(b"\n" in readme.replace(b"\r\n", b""), False, "README.txt with Windows line ends")
for preset in presets:
    expect(preset.encode() in readme, True, "README.txt names " + preset)
print("\n".join(problems))
sys.exit(1 if problems else 0)
PYTHON
then
  pass
else
  fail "the archive $archive"
  sed 's/^/    /' "$E2E_TMP/check" >&2
fi

# The archive's DLL is the module tessaly loads, and every preset loads through its page: where
# this machine can run the 32-bit DLL.
if [ "$E2E_RUNS" = no ]; then
  echo "test_dist: the presets were not loaded through the archive's DLL: this machine does not" \
    "execute 32-bit x86 code ($VORLANE_WIN32_WHY)"
  e2e_finish
  exit
fi
tessaly --components "$unpacked" components
expect_status 0 "tessaly with the archive's DLL"
expect_contains "$E2E_TMP/out" "vorlane.dll" "the archive's DLL is loaded"
for tvc in "$unpacked"/presets/*.tvc; do
  tessaly --profile "$E2E_TMP/profile" --components "$unpacked" prefs --load "$tvc" --show
  expect_status 0 "loading $(basename "$tvc") from the archive"
  name=$(basename "$tvc" .tvc)
  autocrlf=1
  if [ -f "$E2E_ROOT/presets/$name/autocrlf.txt" ]; then
    autocrlf=$(tr -d ' \r\n' <"$E2E_ROOT/presets/$name/autocrlf.txt")
  fi
  expect_contains "$E2E_TMP/out" "autocrlf=$autocrlf" "loading $name.tvc from the archive"
done

e2e_finish
