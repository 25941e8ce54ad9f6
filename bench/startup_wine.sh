#!/usr/bin/env bash
# Time from start to the first visible window under Wine: the installer
# (setup.exe with the sample product's package) against min-dialog, the
# smallest Win32 dialog program, started the same way, in turns, in one run.
# A program counts as up when X shows a mapped window of its process (Wine
# maps a dialog when it is shown, and paints it in the same pass of the
# message loop); the window is found by polling xdotool every 5 ms.
#   bench/startup_wine.sh [NATIVE_BIN_DIR] [WIN64_BIN_DIR] [ROUNDS]
#   (defaults build/native/bin build/win64/bin 7); uses its own Wine world.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
native=$(realpath "${1:-build/native/bin}")
win64=$(realpath "${2:-build/win64/bin}")
rounds=${3:-7}
work=$(mktemp -d "${TMPDIR:-/tmp}/startup-wine-XXXXXX")
state=$work/wine
cleanup() {
  "$root/scripts/wine-env" stop "$state" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

# The installer: the sample product, with any small program as its main program.
cp -r "$root/examples/sample" "$work/sample"
mkdir -p "$work/sample/payload/bin"
cp "$win64/min-dialog.exe" "$work/sample/payload/bin/Example.exe"
uninstaller=$win64/uninstall.exe
[ -f "$uninstaller" ] || uninstaller=$win64/min-dialog.exe  # any program serves here
"$native/mksetup" build "$work/sample/setup.toml" --stub "$win64/setup.exe" --uninstaller "$uninstaller" \
  -o "$work/setup.exe" >/dev/null
cp "$win64/min-dialog.exe" "$work/min-dialog.exe"

"$root/scripts/wine-env" start "$state" >/dev/null
# shellcheck disable=SC1091
. "$state/env"
wine=/usr/lib/wine/wine64

# up PROGRAM: seconds until a window of the started process is visible.
up() {
  local exe=$1 start pid
  start=$(date +%s%N)
  "$wine" "$exe" >/dev/null 2>&1 &
  pid=$!
  until xdotool search --onlyvisible --pid "$pid" >/dev/null 2>&1; do
    kill -0 "$pid" 2>/dev/null || { echo "$exe ended without a window" >&2; return 1; }
    sleep 0.005
  done
  echo "scale=3; ($(date +%s%N) - $start) / 1000000000" | bc
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

# One start of each first: wineserver, fonts and DLLs come up once.
up "$work/min-dialog.exe" >/dev/null
up "$work/setup.exe" >/dev/null
mins=() setups=()
for i in $(seq 1 "$rounds"); do
  if [ $((i % 2)) = 1 ]; then
    mins+=("$(up "$work/min-dialog.exe")"); setups+=("$(up "$work/setup.exe")")
  else
    setups+=("$(up "$work/setup.exe")"); mins+=("$(up "$work/min-dialog.exe")")
  fi
done
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
m=$(median "${mins[@]}")
s=$(median "${setups[@]}")
echo "min-dialog: ${mins[*]} s"
echo "setup.exe:  ${setups[*]} s"
echo
echo "| program | median time to first visible window ($rounds starts) |"
echo "|---|---|"
echo "| min-dialog.exe | $m s |"
echo "| setup.exe (sample package, $(stat -c %s "$work/setup.exe") bytes) | $s s |"
echo
echo "ratio setup.exe / min-dialog.exe: $(echo "scale=2; $s / $m" | bc)"
