#!/usr/bin/env bash
# Peak memory of extracting one 256 MiB file through the installer's reader
# (`mksetup extract`, which hands every entry to PackageFile::ExtractNext),
# for incompressible and for compressible contents, against the goal of
# 2.1 x the file's size + 8 MiB.
#   bench/extract_memory.sh [BIN_DIR]    (default build/native/bin)
set -euo pipefail
bin=${1:-build/native/bin}
mksetup=$(realpath "$bin/mksetup")
work=$(mktemp -d "${TMPDIR:-/tmp}/extract-memory-XXXXXX")
trap 'rm -rf "$work"' EXIT
size=$((256 << 20))
goal_kib=$(( (size * 21 / 10 + (8 << 20)) / 1024 ))
printf 'MZ\x90\x00 stub' > "$work/stub.exe"
printf '| contents | installer | peak RSS | goal | within |\n|---|---|---|---|---|\n'
for kind in random text; do
  rm -rf "$work/p" "$work/out"; mkdir -p "$work/p/payload"
  if [ $kind = random ]; then
    head -c $size /dev/urandom > "$work/p/payload/big.bin"
  else
    python3 -c "
import sys
line = b''.join(b'line %d of the text\r\n' % i for i in range(100000))
with open(sys.argv[1], 'wb') as f:
    left = $size
    while left:
        f.write(line[:left]); left -= min(left, len(line))
" "$work/p/payload/big.bin"
  fi
  printf '[product]\nname = "Big"\n[files]\nsource = "payload"\n' > "$work/p/setup.toml"
  "$mksetup" build "$work/p/setup.toml" --stub "$work/stub.exe" -o "$work/p/setup.exe" >/dev/null 2>&1
  /usr/bin/time -v "$mksetup" extract "$work/p/setup.exe" "$work/out" >/dev/null 2>"$work/time.txt"
  cmp -s "$work/p/payload/big.bin" "$work/out/big.bin" || { echo "extracted file differs"; exit 1; }
  peak=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.txt")
  inst=$(stat -c %s "$work/p/setup.exe")
  within=yes; [ "$peak" -le "$goal_kib" ] || within=no
  printf '| %s | %d MiB | %d MiB | %d MiB | %s |\n' $kind $((inst >> 20)) $((peak / 1024)) $((goal_kib / 1024)) $within
done
