#!/usr/bin/env bash
# How long setup.exe takes to check and to install a large package under
# Wine, against other builds of setup.exe given as LABEL=STUB, in turns in
# one run. The package holds 40 files of 5 MB (half word-like text, half
# random bytes: 200 MB, 120 MB stored). Each start is walked with the mouse
# (bench/wizard_walk.sh) to the folder page; then two times are taken:
#  - check: from Next on the folder page until the confirmation page shows
#    its Next button again (the environment check decodes every stored file);
#  - install: from Next on the confirmation page until the finish dialog
#    shows (every file extracted and written, shortcuts made).
#   bench/install_wine.sh NATIVE_BIN_DIR WIN64_BIN_DIR [ROUNDS] [LABEL=STUB...]
# Prints each program's times (min, median, max) and the per-round ratio of
# setup.exe's to each LABEL's, with the load average before and after.
set -euo pipefail
shopt -s inherit_errexit  # a failing step inside $(...) ends the script too
root=$(cd "$(dirname "$0")/.." && pwd)
native=$(realpath "${1:?native bin dir}")
win64=$(realpath "${2:?win64 bin dir}")
rounds=${3:-3}
shift $(($# < 3 ? $# : 3))
work=$(mktemp -d "${TMPDIR:-/tmp}/install-wine-XXXXXX")
state=$work/wine
cleanup() {
  "$root/scripts/wine-env" stop "$state" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/product/payload/bin"
cp "$win64/min-dialog.exe" "$work/product/payload/bin/Big.exe"
python3 - "$work/product/payload/data" <<'PY'
import os, random, sys
root = sys.argv[1]
os.makedirs(root)
rng = random.Random(7)
words = [''.join(rng.choice('abcdefghijklmnopqrstuvwxyz') for _ in range(rng.randint(2, 9))) for _ in range(4000)]
for i in range(40):
    with open(os.path.join(root, 'part%02d.bin' % i), 'wb') as out:
        if i % 2:
            out.write(rng.randbytes(5 << 20))
        else:
            text = bytearray()
            while len(text) < 5 << 20:
                text += (' '.join(rng.choice(words) for _ in range(12)) + '\n').encode()
            out.write(bytes(text[:5 << 20]))
PY
cat >"$work/product/setup.toml" <<'EOT'
[product]
name = "Big"
main_program = 'bin\Big.exe'
[files]
source = "payload"
EOT
labels=(setup.exe)
stubs=("$win64/setup.exe")
for pair in "$@"; do
  labels+=("${pair%%=*}")
  stubs+=("$(realpath "${pair#*=}")")
done
n=${#stubs[@]}
for i in $(seq 0 $((n - 1))); do
  "$native/mksetup" build "$work/product/setup.toml" --stub "${stubs[$i]}" -o "$work/installer-$i.exe" >/dev/null
done

"$root/scripts/wine-env" start "$state" >/dev/null
# shellcheck disable=SC1091
. "$state/env"
walk_dir=$work
# shellcheck source=bench/wizard_walk.sh
. "$root/bench/wizard_walk.sh"
now() { date +%s%N; }
# Nanoseconds of processor time the installer has used, its ended worker
# threads included (user + system time from /proc/PID/stat, 10 ms steps).
ticks=$(getconf CLK_TCK)
cpu_now() {
  local stat fields
  stat=$(cat "/proc/$walk_pid/stat")
  read -r -a fields <<<"${stat##*) }"  # from the third field on: utime, stime are the 12th and 13th
  echo $(((fields[11] + fields[12]) * 1000000000 / ticks))
}
seconds() { echo "scale=2; ($2 - $1) / 1000000000" | bc; }

# run I: one installation with installer I; prints the seconds of "check
# install" and the processor seconds the installer used for each.
run() {
  local t0 t1 t2 c0 c1 c2
  wizard_start "$work/installer-$1.exe"
  wizard_to_folder_page
  t0=$(now) c0=$(cpu_now)
  wizard_check
  t1=$(now) c1=$(cpu_now)
  wizard_confirm
  t2=$(now) c2=$(cpu_now)
  wizard_end
  echo "$(seconds "$t0" "$t1") $(seconds "$t1" "$t2") $(seconds "$c0" "$c1") $(seconds "$c1" "$c2")"
}

run 0 >/dev/null  # once first: Wine and the page cache warm up
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
# shellcheck disable=SC2034  # read through the nameref in table()
declare -A check install check_cpu install_cpu
for r in $(seq 0 $((rounds - 1))); do
  for k in $(seq 0 $((n - 1))); do
    i=$(((r + k) % n))
    times=$(run "$i")
    read -r "check[$r,$i]" "install[$r,$i]" "check_cpu[$r,$i]" "install_cpu[$r,$i]" <<<"$times"
  done
done
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

stats() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {printf "%s %s %s\n", a[1], a[int((NR+1)/2)], a[NR]}'; }
echo "load average before: $load_before, after: $load_after; $rounds rounds"
echo
# table NAME TITLE: each program's min/median/max, then per-round ratios.
table() {
  local -n t=$1
  local i j r values
  echo "| program | $2, min / median / max |"
  echo "|---|---|"
  for i in $(seq 0 $((n - 1))); do
    values=()
    for r in $(seq 0 $((rounds - 1))); do values+=("${t[$r,$i]}"); done
    echo "| ${labels[$i]} | $(stats "${values[@]}" | tr ' ' '/') |"
  done
  for j in $(seq 1 $((n - 1))); do
    values=()
    for r in $(seq 0 $((rounds - 1))); do values+=("$(echo "scale=3; ${t[$r,0]} / ${t[$r,$j]}" | bc)"); done
    echo "| ratio setup.exe / ${labels[$j]}, per round | $(stats "${values[@]}" | tr ' ' '/') |"
  done
  echo
}
table check "check, s"
table install "install, s"
table check_cpu "check, processor s"
table install_cpu "install, processor s"
