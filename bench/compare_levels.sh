#!/usr/bin/env bash
# The compression levels of mksetup build against gzip -6 and -9 on the size
# of the same files, with the processor time each level takes (one thread),
# in one run.
#   bench/compare_levels.sh BIN_DIR TREE [LEVEL...]   (default levels: 1 to 12)
# Sizes: the package; gzip -N -n of every file on its own (one stream per
# file, as the package has); tar | gzip -N (one stream over all files).
set -euo pipefail
mksetup=$(realpath "${1:?bin dir}/mksetup")
tree=$(realpath "${2:?source tree}")
shift 2
levels=("$@")
[ ${#levels[@]} -gt 0 ] || levels=(1 2 3 4 5 6 7 8 9 10 11 12)
work=$(mktemp -d "${TMPDIR:-/tmp}/compare-levels-XXXXXX")
trap 'rm -rf "$work"' EXIT
printf 'MZ\x90\x00 stub' > "$work/stub.exe"
printf '[product]\nname = "Bench"\n[files]\nsource = "%s"\n' "$tree" > "$work/setup.toml"
files=$(find "$tree" -type f | wc -l)
bytes=$(find "$tree" -type f -printf '%s\n' | awk '{s+=$1} END {print s}')
find "$tree" -type f -exec cat {} + > /dev/null  # warm the page cache

# Processor seconds (user + system) of a command.
cpu() { /usr/bin/time -f '%U %S' -o "$work/time" "$@" >/dev/null 2>&1; awk '{printf "%.2f", $1 + $2}' "$work/time"; }
each() { (cd "$tree" && find . -type f -print0 | sort -z | xargs -0 gzip "-$1" -n -c | wc -c); }
whole() { (cd "$tree" && tar -cf - . | gzip "-$1" | wc -c); }
each6=$(each 6)
each9=$(each 9)
whole6=$(whole 6)
whole9=$(whole 9)
gzip6_cpu=$(cpu sh -c "cd '$tree' && tar -cf - . | gzip -6")
echo "tree: $files files, $bytes bytes; load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| stored form | bytes | / gzip -6, each file | / tar \| gzip -6 | CPU s (one thread) |"
echo "|---|---|---|---|---|"
ratio() { echo "scale=4; $1 / $2" | bc; }
echo "| gzip -6, each file | $each6 | 1.0000 | $(ratio "$each6" "$whole6") | |"
echo "| gzip -9, each file | $each9 | $(ratio "$each9" "$each6") | $(ratio "$each9" "$whole6") | |"
echo "| tar \| gzip -6 | $whole6 | $(ratio "$whole6" "$each6") | 1.0000 | $gzip6_cpu |"
echo "| tar \| gzip -9 | $whole9 | $(ratio "$whole9" "$each6") | $(ratio "$whole9" "$whole6") | |"
for level in "${levels[@]}"; do
  seconds=$(cpu "$mksetup" build "$work/setup.toml" --stub "$work/stub.exe" -o "$work/out.exe" -j 1 -l "$level")
  package=$(($(stat -c %s "$work/out.exe") - $(stat -c %s "$work/stub.exe")))
  echo "| mksetup -l $level (package) | $package | $(ratio "$package" "$each6") | $(ratio "$package" "$whole6") | $seconds |"
done
echo
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
