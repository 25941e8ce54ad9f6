#!/usr/bin/env bash
# mksetup at scale: builds, verifies and extracts installers of a tree with
# no files at all, 20,000 small files, folders nested 30 deep and one 300 MiB
# file, and compares every extracted tree with its source byte for byte.
# Also: a path that would pass the Windows limit of 260 characters below a
# typical install folder makes `mksetup build` warn, naming the path.
set -euo pipefail
mksetup="$SETUP_BIN_DIR/mksetup"
work=$(mktemp -d "${TMPDIR:-/tmp}/hardening-scale-XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
printf 'MZ\x90\x00 stand-in stub' > "$work/stub.exe"

manifest() {  # manifest DIR NAME
  cat > "$1/setup.toml" <<EOT
[product]
name = "$2"
[files]
source = "payload"
EOT
}

# roundtrip DIR NAME: build, verify, extract, compare.
roundtrip() {
  local dir=$1 name=$2 start=$SECONDS
  manifest "$dir" "$name"
  "$mksetup" build "$dir/setup.toml" --stub "$work/stub.exe" -o "$dir/setup.exe" -j 2 \
    >"$dir/build.out" 2>"$dir/build.err" || fail "$name: build: $(cat "$dir/build.err")"
  "$mksetup" verify "$dir/setup.exe" >"$dir/verify.out" || fail "$name: verify: $(cat "$dir/verify.out")"
  "$mksetup" extract "$dir/setup.exe" "$dir/out" >"$dir/extract.out" || fail "$name: extract"
  mkdir -p "$dir/out"
  diff -r "$dir/payload" "$dir/out" >/dev/null || fail "$name: extracted tree differs from the source"
  echo "$name: $(cat "$dir/verify.out") ($((SECONDS - start)) s)"
}

# No files at all.
mkdir -p "$work/empty/payload"
roundtrip "$work/empty" Empty
grep -q "0 folders, 0 files" "$work/empty/verify.out" || fail "empty: $(cat "$work/empty/verify.out")"

# 20,000 small files in 20 folders.
python3 - "$work/many/payload" <<'PY'
import os, sys
root = sys.argv[1]
for f in range(20):
    d = os.path.join(root, "f%03d" % f)
    os.makedirs(d)
    for i in range(1000):
        with open(os.path.join(d, "%05d.txt" % i), "w") as out:
            out.write("file %d/%d\n" % (f, i))
PY
roundtrip "$work/many" Many
grep -q "20 folders, 20000 files" "$work/many/verify.out" || fail "many: $(cat "$work/many/verify.out")"

# Folders nested 30 deep, a file at every level.
d="$work/nest/payload"
for i in $(seq 1 30); do d="$d/n$i"; mkdir -p "$d"; echo "level $i" > "$d/x.txt"; done
roundtrip "$work/nest" Nest
grep -q "30 folders, 30 files" "$work/nest/verify.out" || fail "nest: $(cat "$work/nest/verify.out")"

# One file of 300 MiB (compressible lines with some noise).
mkdir -p "$work/big/payload"
python3 - "$work/big/payload/big.bin" <<'PY'
import random, sys
random.seed(7)
size = 300 << 20
with open(sys.argv[1], "wb") as out:
    block = b"".join(b"line %d value %08x\r\n" % (i, random.getrandbits(24)) for i in range(40000))
    written = 0
    while written < size:
        chunk = block[: size - written]
        out.write(chunk)
        written += len(chunk)
PY
roundtrip "$work/big" Big
grep -q "0 folders, 1 files\|0 folders, 1 file" "$work/big/verify.out" || fail "big: $(cat "$work/big/verify.out")"

# Paths past the Windows limit below "C:\Program Files (x86)\Long\": warned, named.
long=$(printf 'd%.0s' $(seq 1 120))
mkdir -p "$work/long/payload/$long/$long"
echo x > "$work/long/payload/$long/$long/file.txt"
echo x > "$work/long/payload/short.txt"
manifest "$work/long" Long
"$mksetup" build "$work/long/setup.toml" --stub "$work/stub.exe" -o "$work/long/setup.exe" \
  >"$work/long/build.out" 2>"$work/long/build.err" || fail "long: build: $(cat "$work/long/build.err")"
grep -q "would pass the Windows limit of 260 characters" "$work/long/build.err" ||
  fail "long: no warning about the 260-character limit: $(cat "$work/long/build.err")"
grep -q "$long\\\\$long" "$work/long/build.err" || fail "long: the warning does not name the path: $(cat "$work/long/build.err")"
grep -q "short.txt" "$work/long/build.err" && fail "long: the warning names a short path"
echo "long: $(cat "$work/long/build.err")"
echo "PASS"
