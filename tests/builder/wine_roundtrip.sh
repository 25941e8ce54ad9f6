#!/usr/bin/env bash
# mksetup.exe under Wine, end to end: builds the sample product into an
# installer with a Chinese file name, verifies, lists and extracts it, and
# compares the extracted tree with the payload byte for byte; a faulty
# installer makes verify exit 1, a bad manifest or a signing command that does
# not sign makes build exit 2 and leaves no file behind.
set -euo pipefail
source "$SETUP_WINE_STATE/env"
wine=$SETUP_WINE
mksetup="$SETUP_BIN_DIR/mksetup.exe"
work=$(mktemp -d "$SETUP_BUILD_DIR/mksetup-wine-XXXXXX")
trap 'rm -rf "$work"' EXIT
winpath() { local p=$1; echo "Z:${p//\//\\}"; }
fail() { echo "FAIL: $*" >&2; exit 1; }

cp -r "$SETUP_SOURCE_DIR/examples/sample" "$work/sample"
mkdir -p "$work/sample/payload/bin"
if [ -f "$SETUP_BIN_DIR/example-app.exe" ]; then
  cp "$SETUP_BIN_DIR/example-app.exe" "$work/sample/payload/bin/Example.exe"
else
  printf 'MZ stand-in' > "$work/sample/payload/bin/Example.exe"
fi
installer="$work/安装-setup.exe"

# Any Windows program serves as the stub here.
"$wine" "$mksetup" build "$(winpath "$work/sample/setup.toml")" --stub "$(winpath "$mksetup")" \
  -o "$(winpath "$installer")" -j 2 >"$work/build.out" 2>"$work/build.err" || fail "build: $(cat "$work/build.err")"
[ -s "$installer" ] || fail "no installer written"
[ ! -s "$work/build.err" ] || fail "unexpected warnings: $(cat "$work/build.err")"

"$wine" "$mksetup" verify "$(winpath "$installer")" >"$work/verify.out" || fail "verify of a sound installer"
grep -q "sound: 4 folders, 7 files" "$work/verify.out" || fail "verify summary: $(cat "$work/verify.out")"

"$wine" "$mksetup" list "$(winpath "$installer")" --json >"$work/list.json" || fail "list --json"
python3 - "$work/list.json" <<'PY' || fail "list --json content"
import json, sys
doc = json.load(open(sys.argv[1], encoding="utf-8"))
assert doc["heading"] == "Example 安装程序", doc["heading"]
assert doc["main_program"] == "bin\\Example.exe"
assert [s["menu"] for s in doc["shortcuts"]] == ["Example\\Example", "Example\\卸载 Example"]
assert any(e["name"] == "docs\\使用说明.txt" for e in doc["entries"])
PY

"$wine" "$mksetup" extract "$(winpath "$installer")" "$(winpath "$work/解压")" >/dev/null || fail "extract"
# The sample packs the uninstaller as its record file: the payload plus
# uninstall.exe, which starts with the bytes of the uninstaller program.
diff -r -x uninstall.exe "$work/解压" "$work/sample/payload" || fail "extracted tree differs from the payload"
cmp -n "$(stat -c %s "$SETUP_BIN_DIR/uninstall.exe")" "$work/解压/uninstall.exe" "$SETUP_BIN_DIR/uninstall.exe" \
  || fail "packed uninstall.exe does not start with the uninstaller"

# A flipped byte in the last file's blob: verify names a fault and exits 1.
python3 - "$installer" <<'PY'
import sys
data = bytearray(open(sys.argv[1], "rb").read())
data[len(data) - 44 - 200] ^= 0x01  # inside the shortcut list or the last blob
open(sys.argv[1], "wb").write(data)
PY
set +e
"$wine" "$mksetup" verify "$(winpath "$installer")" >/dev/null 2>"$work/verify.err"
rc=$?
set -e
[ $rc -eq 1 ] || fail "verify of a damaged installer exited $rc"
grep -q "fault at byte" "$work/verify.err" || fail "verify message: $(cat "$work/verify.err")"

# A bad manifest: exit 2, the key named, no output.
printf '[product]\nname = "X"\ncolour = "red"\n[files]\nsource = "payload"\n' > "$work/sample/bad.toml"
set +e
"$wine" "$mksetup" build "$(winpath "$work/sample/bad.toml")" --stub "$(winpath "$mksetup")" \
  -o "$(winpath "$work/bad.exe")" 2>"$work/bad.err"
rc=$?
set -e
[ $rc -eq 2 ] || fail "bad manifest exited $rc"
grep -q "product.colour: is not a known key" "$work/bad.err" || fail "bad manifest message: $(cat "$work/bad.err")"
[ ! -e "$work/bad.exe" ] || fail "output left behind"
[ -z "$(find "$work" -maxdepth 1 -name '.*partial*')" ] || fail "temporary file left behind"

# A signing command runs as a program of its own: cmd's copy leaves an
# unsigned installer, which is refused (exit 2) and leaves nothing behind.
set +e
"$wine" "$mksetup" build "$(winpath "$work/sample/setup.toml")" --stub "$(winpath "$mksetup")" \
  -o "$(winpath "$work/signed.exe")" --sign 'cmd /c copy {in} {out}' >/dev/null 2>"$work/sign.err"
rc=$?
set -e
[ $rc -eq 2 ] || fail "signing with a copy exited $rc: $(cat "$work/sign.err")"
grep -q "the command succeeded but the installer carries no signature" "$work/sign.err" ||
  fail "signing message: $(cat "$work/sign.err")"
[ ! -e "$work/signed.exe" ] && [ -z "$(find "$work" -maxdepth 1 -name '.*partial*')" ] || fail "signing left files behind"

# An install record laid out byte by byte here, read back by mksetup.exe
# record: offset, magic and the CJK names; then no record (1) and no file (2).
python3 - "$work/卸载.exe" <<'PY'
import struct, sys
head = b"MZ" + bytes(range(256)) * 8
names = ["示例\\工具", "示例软件", "示例软件 自动启动"]
block = struct.pack("<5I", len(head), 0, 0x12030416, 0, 0)
block += b"".join(n.encode("utf-8").ljust(256, b"\0") for n in names)
assert len(block) == 788
open(sys.argv[1], "wb").write(head + block)
PY
"$wine" "$mksetup" record "$(winpath "$work/卸载.exe")" --json >"$work/record.json" || fail "record --json"
python3 - "$work/record.json" <<'PY' || fail "record --json content: $(cat "$work/record.json")"
import json, sys
doc = json.load(open(sys.argv[1], encoding="utf-8"))
assert doc["offset"] == 2050 and doc["magic"] == "0x12030416", doc
assert doc["start_menu_folder"] == "示例\\工具", doc["start_menu_folder"]
assert doc["product_name"] == "示例软件" and doc["autostart_link"] == "示例软件 自动启动", doc
assert doc["file_size"] == 2050 + 788 and doc["consistent"] is True, doc
PY
"$wine" "$mksetup" record "$(winpath "$work/卸载.exe")" >"$work/record.txt" || fail "record"
grep -q "^product name: 示例软件" "$work/record.txt" || fail "record text: $(cat "$work/record.txt")"
grep -q "^consistent: yes" "$work/record.txt" || fail "record text: $(cat "$work/record.txt")"
set +e
"$wine" "$mksetup" record "$(winpath "$installer")" >/dev/null 2>"$work/record.err"
rc_none=$?
"$wine" "$mksetup" record "$(winpath "$work/无此文件.exe")" >/dev/null 2>>"$work/record.err"
rc_missing=$?
set -e
[ $rc_none -eq 1 ] || fail "record of a file without one exited $rc_none: $(cat "$work/record.err")"
[ $rc_missing -eq 2 ] || fail "record of a missing file exited $rc_missing: $(cat "$work/record.err")"

echo "mksetup.exe round trip under Wine: ok"
