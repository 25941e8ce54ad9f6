#!/bin/bash
# Starts skin-demo in the test Wine world, points at the Next button so it
# shows its hot face, and saves a screenshot of the display under the build
# tree (controls-screenshots/skin-demo.png). The demo ends itself.
set -euo pipefail
: "${SETUP_WINE_STATE:?}" "${SETUP_BIN_DIR:?}" "${SETUP_BUILD_DIR:?}"
source "$SETUP_WINE_STATE/env"
out="$SETUP_BUILD_DIR/controls-screenshots"
mkdir -p "$out"
rm -f "$out/skin-demo.png"

"$SETUP_WINE" "$SETUP_BIN_DIR/skin-demo.exe" --seconds 12 &
demo=$!
sleep 6
# The dialog is centred on the screen; Next sits at (499, 282) inside it.
if command -v xdotool >/dev/null; then
  read -r width height < <(xdpyinfo -display "$DISPLAY" 2>/dev/null | awk '/dimensions:/ { split($2, d, "x"); print d[1], d[2] }') || true
  if [ -n "${width:-}" ]; then
    xdotool mousemove $(( (width - 600) / 2 + 499 + 40 )) $(( (height - 360) / 2 + 282 + 18 )) || true
  fi
  sleep 1
fi
import -display "$DISPLAY" -window root "$out/skin-demo.png"
wait "$demo" || true
test -s "$out/skin-demo.png"
echo "screenshot: $out/skin-demo.png"
