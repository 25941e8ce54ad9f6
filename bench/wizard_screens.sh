#!/usr/bin/env bash
# Screenshots of what the user sees, for comparing two builds of setup.exe
# pixel by pixel: the wizard on page 0, with the pointer over Next, on page 3,
# and the finish dialog. Each stub is made into an installer of the sample
# product and walked through with the real mouse under Xvfb (xdotool), in
# one Wine world of its own; the first stub is the reference, and every
# other one is compared with it (ImageMagick compare -metric AE: the number
# of pixels that differ).
#   bench/wizard_screens.sh NATIVE_BIN_DIR WIN64_BIN_DIR OUT_DIR LABEL=SETUP_EXE...
# e.g. bench/wizard_screens.sh build/native/bin build/win64/bin shots before=old/setup.exe after=build/win64/bin/setup.exe
# Screenshots: OUT_DIR/LABEL/{page0,hover,page3,finish}.png, differences OUT_DIR/diff-LABEL-NAME.png.
set -euo pipefail
shopt -s inherit_errexit  # a failing step inside $(...) ends the script too
root=$(cd "$(dirname "$0")/.." && pwd)
native=$(realpath "${1:?native bin dir}")
win64=$(realpath "${2:?win64 bin dir}")
out=$(realpath -m "${3:?output dir}")
shift 3
[ $# -ge 1 ] || { echo "wizard_screens: name at least one LABEL=SETUP_EXE" >&2; exit 2; }
work=$(mktemp -d "${TMPDIR:-/tmp}/wizard-screens-XXXXXX")
state=$work/wine
cleanup() {
  "$root/scripts/wine-env" stop "$state" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$out"

# The sample product, with any small program as its main program.
cp -r "$root/examples/sample" "$work/sample"
mkdir -p "$work/sample/payload/bin"
cp "$win64/min-dialog.exe" "$work/sample/payload/bin/Example.exe"

"$root/scripts/wine-env" start "$state" >/dev/null
# shellcheck disable=SC1091
. "$state/env"
walk_dir=$work
# shellcheck source=bench/wizard_walk.sh
. "$root/bench/wizard_walk.sh"
shot() { import -display "$DISPLAY" -window root -crop "$1" +repage "$2"; }
wizard_area="600x360+$walk_x+$walk_y"

for pair in "$@"; do
  label=${pair%%=*} stub=$(realpath "${pair#*=}")
  mkdir -p "$out/$label"
  "$native/mksetup" build "$work/sample/setup.toml" --stub "$stub" --uninstaller "$win64/uninstall.exe" \
    -o "$work/$label-setup.exe" >/dev/null
  wizard_start "$work/$label-setup.exe"
  shot "$wizard_area" "$out/$label/page0.png"
  xdotool mousemove $((walk_x + walk_next[0])) $((walk_y + walk_next[1]))
  sleep 1.5
  shot "$wizard_area" "$out/$label/hover.png"
  wizard_to_folder_page
  walk_away
  shot "$wizard_area" "$out/$label/page3.png"
  wizard_check
  wizard_confirm
  walk_away
  eval "$(xdotool getwindowgeometry --shell "$walk_finish")"
  # shellcheck disable=SC2153
  shot "${WIDTH}x${HEIGHT}+$X+$Y" "$out/$label/finish.png"
  wizard_end
done

reference=${1%%=*}
shift
echo "| screenshot | $(for pair in "$@"; do printf '%s / %s pixels differing | ' "${pair%%=*}" "$reference"; done)"
echo "|---|$(for _ in "$@"; do printf -- '---|'; done)"
for name in page0 hover page3 finish; do
  row="| $name |"
  for pair in "$@"; do
    label=${pair%%=*}
    ae=$(compare -metric AE "$out/$reference/$name.png" "$out/$label/$name.png" "$out/diff-$label-$name.png" 2>&1) || true
    row="$row $ae |"
  done
  echo "$row"
done
