#!/usr/bin/env bash
# Time from start to the first visible window under Wine: the installer
# (setup.exe with the sample product's package) against min-dialog, the
# smallest Win32 dialog program, and against other builds of setup.exe given
# as LABEL=STUB (each made into an installer with the same package), all
# started in turns in one run: each round starts every program once, the
# first one changing from round to round.
# A program counts as up when X shows a mapped window of its process (Wine
# maps a dialog when it is shown, and paints it in the same pass of the
# message loop); the window is found by polling xdotool every 5 ms. Beside
# the wall time, the processor time the process had used by then is taken
# from /proc (schedstat of its threads): it moves much less with the load of
# the machine.
#   bench/startup_wine.sh [NATIVE_BIN_DIR] [WIN64_BIN_DIR] [ROUNDS] [LABEL=STUB...]
#   (defaults build/native/bin build/win64/bin 7); uses its own Wine world.
# Prints, for both times, each program's min, median and max and, per round,
# the ratio of setup.exe's time to min-dialog's and to each LABEL's (min,
# median, max), with the load average before and after.
set -euo pipefail
shopt -s inherit_errexit  # a failing step inside $(...) ends the script too
root=$(cd "$(dirname "$0")/.." && pwd)
native=$(realpath "${1:-build/native/bin}")
win64=$(realpath "${2:-build/win64/bin}")
rounds=${3:-7}
shift $(($# < 3 ? $# : 3))
work=$(mktemp -d "${TMPDIR:-/tmp}/startup-wine-XXXXXX")
state=$work/wine
cleanup() {
  "$root/scripts/wine-env" stop "$state" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

# The installers: the sample product, with any small program as its main program.
cp -r "$root/examples/sample" "$work/sample"
mkdir -p "$work/sample/payload/bin"
cp "$win64/min-dialog.exe" "$work/sample/payload/bin/Example.exe"
uninstaller=$win64/uninstall.exe
[ -f "$uninstaller" ] || uninstaller=$win64/min-dialog.exe  # any program serves here
labels=(min-dialog setup.exe)
programs=("$work/min-dialog.exe" "$work/setup.exe")
cp "$win64/min-dialog.exe" "$work/min-dialog.exe"
"$native/mksetup" build "$work/sample/setup.toml" --stub "$win64/setup.exe" --uninstaller "$uninstaller" \
  -o "$work/setup.exe" >/dev/null
for pair in "$@"; do
  label=${pair%%=*}
  labels+=("$label")
  programs+=("$work/$label-setup.exe")
  "$native/mksetup" build "$work/sample/setup.toml" --stub "$(realpath "${pair#*=}")" --uninstaller "$uninstaller" \
    -o "$work/$label-setup.exe" >/dev/null
done
n=${#programs[@]}

"$root/scripts/wine-env" start "$state" >/dev/null
# shellcheck disable=SC1091
. "$state/env"
wine=/usr/lib/wine/wine64

# up PROGRAM: "WALL CPU": seconds until a window of the started process is
# visible, and the processor time the process had used by then, which
# depends much less on what else the machine is doing.
up() {
  local exe=$1 start wall pid
  start=$(date +%s%N)
  "$wine" "$exe" >/dev/null 2>&1 &
  pid=$!
  until xdotool search --onlyvisible --pid "$pid" >/dev/null 2>&1; do
    kill -0 "$pid" 2>/dev/null || { echo "$exe ended without a window" >&2; return 1; }
    sleep 0.005
  done
  wall=$(date +%s%N)
  # Nanoseconds on a processor, summed over the process's threads (schedstat).
  cat "/proc/$pid"/task/*/schedstat | awk -v wall="$((wall - start))" \
    '{ns += $1} END {printf "%.3f %.3f\n", wall / 1e9, ns / 1e9}'
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

# One start of each first: wineserver, fonts and DLLs come up once.
for p in "${programs[@]}"; do up "$p" >/dev/null; done
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
# shellcheck disable=SC2034  # both are read through the nameref in table()
declare -A wall cpu
for r in $(seq 0 $((rounds - 1))); do
  for k in $(seq 0 $((n - 1))); do
    i=$(((r + k) % n))
    result=$(up "${programs[$i]}")
    read -r "wall[$r,$i]" "cpu[$r,$i]" <<<"$result"
  done
done
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

# stats VALUES...: min median max
stats() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {printf "%s %s %s\n", a[1], a[int((NR+1)/2)], a[NR]}'; }
# table NAME (wall or cpu) TITLE: each program's times, then per-round ratios.
table() {
  local -n t=$1
  local i j r lo mid hi values
  echo "| program | min | median | max ($2) |"
  echo "|---|---|---|---|"
  for i in $(seq 0 $((n - 1))); do
    values=()
    for r in $(seq 0 $((rounds - 1))); do values+=("${t[$r,$i]}"); done
    read -r lo mid hi < <(stats "${values[@]}")
    echo "| ${labels[$i]} | $lo | $mid | $hi |"
  done
  for j in $(seq 0 $((n - 1))); do
    [ "$j" = 1 ] && continue
    values=()
    for r in $(seq 0 $((rounds - 1))); do
      values+=("$(if [ "${t[$r,$j]}" = 0 ]; then echo inf; else echo "scale=3; ${t[$r,1]} / ${t[$r,$j]}" | bc; fi)")
    done
    read -r lo mid hi < <(stats "${values[@]}")
    echo "| ratio setup.exe / ${labels[$j]}, per round | $lo | $mid | $hi |"
  done
  echo
}

echo "load average before: $load_before, after: $load_after; $rounds rounds"
echo
table wall "s from start to the first visible window"
table cpu "s of processor time the process used until then"
echo "setup.exe: $win64/setup.exe ($(stat -c %s "$work/setup.exe") bytes with the package)"
for j in $(seq 2 $((n - 1))); do
  echo "${labels[$j]}: $(stat -c %s "${programs[$j]}") bytes with the package"
done
