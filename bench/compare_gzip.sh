#!/usr/bin/env bash
# mksetup build throughput with one compression thread and with all cores,
# against gzip -6 and pigz -6 over the same tree, in one run; and the size of
# the package against gzip -6 of every file on its own (the same deflate at
# the same level) and of the whole tree as one tar stream.
#   bench/compare_gzip.sh [BIN_DIR] [TREE_MB]   (defaults build/native/bin, 100)
set -euo pipefail
bin=${1:-build/native/bin}
mb=${2:-100}
mksetup=$(realpath "$bin/mksetup")
cores=$(nproc)
work=$(mktemp -d "${TMPDIR:-/tmp}/compare-gzip-XXXXXX")
trap 'rm -rf "$work"' EXIT
printf 'MZ\x90\x00 stub' > "$work/stub.exe"

# The tree: mixed sizes (60 % of 4-64 KiB, 35 % of 256 KiB-2 MiB, 5 % of
# 8 MiB) in 40 folders; half of the files word-like text, half noise.
python3 - "$work/tree/payload" "$mb" <<'PY'
import os, random, sys
root, total = sys.argv[1], int(sys.argv[2]) * 10**6
rng = random.Random(1)
words = [bytes(rng.choice(b"abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 9))) for _ in range(3000)]
made, n = 0, 0
while made < total:
    r = rng.random()
    size = rng.randint(4 << 10, 64 << 10) if r < .6 else rng.randint(256 << 10, 2 << 20) if r < .95 else 8 << 20
    size = min(size, total - made)
    folder = os.path.join(root, "d%02d" % (n % 40))
    os.makedirs(folder, exist_ok=True)
    if n % 2:
        data = rng.randbytes(size)
    else:
        out, length = [], 0
        while length < size:
            w = rng.choice(words) + (b"\r\n" if rng.random() < .1 else b" ")
            out.append(w); length += len(w)
        data = b"".join(out)[:size]
    with open(os.path.join(folder, "f%04d.dat" % n), "wb") as f:
        f.write(data)
    made += size; n += 1
PY
printf '[product]\nname = "Bench"\n[files]\nsource = "payload"\n' > "$work/tree/setup.toml"
bytes=$(find "$work/tree/payload" -type f -printf '%s\n' | awk '{s+=$1} END {print s}')
files=$(find "$work/tree/payload" -type f | wc -l)
cat "$work/tree/payload"/*/* > /dev/null  # warm the page cache

seconds() { local s=$(date +%s.%N); "$@" >/dev/null 2>&1; echo "$(date +%s.%N) - $s" | bc; }
row() { printf '| %s | %.2f s | %.1f MB/s |\n' "$1" "$2" "$(echo "$bytes / $2 / 1000000" | bc -l)"; }

echo "tree: $files files, $bytes bytes; $cores cores"
echo
echo "| command | wall time | throughput |"
echo "|---|---|---|"
t1=$(seconds "$mksetup" build "$work/tree/setup.toml" --stub "$work/stub.exe" -o "$work/j1.exe" -j 1)
tn=$(seconds "$mksetup" build "$work/tree/setup.toml" --stub "$work/stub.exe" -o "$work/jn.exe" -j "$cores")
tg=$(seconds sh -c "tar -cf - -C '$work/tree' payload | gzip -6 > '$work/tree.tar.gz'")
tp=$(seconds sh -c "tar -cf - -C '$work/tree' payload | pigz -6 -p $cores > '$work/tree.tar.pigz.gz'")
row "mksetup build -j 1" "$t1"
row "mksetup build -j $cores" "$tn"
row "tar \\| gzip -6" "$tg"
row "tar \\| pigz -6 -p $cores" "$tp"
echo
cmp -s "$work/j1.exe" "$work/jn.exe" && echo "-j 1 and -j $cores give the same installer byte for byte"

# Sizes: the package against gzip -6 of each file on its own.
pergz=0
while IFS= read -r -d '' f; do
  pergz=$((pergz + $(gzip -6 -n -c "$f" | wc -c)))
done < <(find "$work/tree/payload" -type f -print0)
package=$(( $(stat -c %s "$work/jn.exe") - $(stat -c %s "$work/stub.exe") ))
echo
echo "| stored form | bytes | against gzip -6 per file |"
echo "|---|---|---|"
printf '| package (mksetup) | %d | %+.3f %% |\n' "$package" "$(echo "($package - $pergz) * 100 / $pergz" | bc -l)"
printf '| gzip -6 -n, each file | %d | 0 %% |\n' "$pergz"
tarsize=$(stat -c %s "$work/tree.tar.gz")
printf '| tar, gzip -6 | %d | %+.3f %% |\n' "$tarsize" "$(echo "($tarsize - $pergz) * 100 / $pergz" | bc -l)"
