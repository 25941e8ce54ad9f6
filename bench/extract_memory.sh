#!/usr/bin/env bash
# Peak memory of extracting one 1 GiB file of random bytes (the stored blob
# is as large as the file: the worst case) through the installer's reader
# (`mksetup extract`: the environment check's walk, then
# PackageFile::ExtractNext), against the same program extracting a file of
# 1 KiB, its idle size. Goal: under 16 MiB above the idle size, whatever the
# file's size.
#   bench/extract_memory.sh [BIN_DIR] [MIB]    (default build/native/bin, 1024)
set -euo pipefail
bin=${1:-build/native/bin}
mib=${2:-1024}
mksetup=$(realpath "$bin/mksetup")
work=$(mktemp -d "${TMPDIR:-/tmp}/extract-memory-XXXXXX")
trap 'rm -rf "$work"' EXIT
printf 'MZ\x90\x00 stub' > "$work/stub.exe"

# peak KIND BYTES: builds an installer of one random file and extracts it; prints the peak RSS in KiB.
peak() {
  local dir=$work/$1
  mkdir -p "$dir/payload"
  head -c "$2" /dev/urandom > "$dir/payload/big.bin"
  printf '[product]\nname = "Big"\n[files]\nsource = "payload"\n' > "$dir/setup.toml"
  "$mksetup" build "$dir/setup.toml" --stub "$work/stub.exe" -o "$dir/setup.exe" >/dev/null 2>&1
  /usr/bin/time -v "$mksetup" extract "$dir/setup.exe" "$dir/out" >/dev/null 2>"$dir/time.txt"
  cmp -s "$dir/payload/big.bin" "$dir/out/big.bin" || { echo "extracted file differs" >&2; exit 1; }
  awk -F': ' '/Maximum resident set size/ {print $2}' "$dir/time.txt"
  rm -rf "$dir"
}

idle=$(peak idle 1024)
big=$(peak big $((mib << 20)))
above=$((big - idle))
within=yes; [ "$above" -lt $((16 << 10)) ] || within=no
printf '| file | peak RSS | above idle | goal | within |\n|---|---|---|---|---|\n'
printf '| 1 KiB (idle) | %d KiB | | | |\n' "$idle"
printf '| %d MiB random | %d KiB | %d KiB | under 16 MiB | %s |\n' "$mib" "$big" "$above" "$within"
