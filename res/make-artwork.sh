#!/usr/bin/env bash
# Draws the installer's artwork into res/: the wizard background (bitmap 129),
# the button faces (142..148), the hand cursor (149) and the application icon
# (128). The images are committed, so a build needs neither this script nor
# ImageMagick; run it again only to change the artwork.
#
# The bitmaps are drawn in 24-bit colour and stored as 8-bit run-length
# encoded bitmaps with exactly their colours (make_rle_bitmap.py): the same
# pixels in about 18 KB instead of 705 KB. Each must therefore keep to 256
# colours; the script checks that the stored file shows the drawn pixels.
# The icon's images are stored as PNG (make_png_icon.py): 14 KB instead of 25.
#
# Needs: ImageMagick 6 (convert), python3, the font fonts-wqy-microhei.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
font="${ARTWORK_FONT:-/usr/share/fonts/truetype/wqy/wqy-microhei.ttc}"
[[ -f "$font" ]] || { echo "make-artwork: font not found: $font" >&2; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Palette. The heading is painted in RGB(5, 94, 172); everything behind the
# texts stays light so black and blue text read well on it.
brand='rgb(5,94,172)'
top='#ffffff'          # top of the page
mid='#edf3f9'          # just above the footer line
footTop='#e3ebf4'      # footer band behind the buttons
footBottom='#d9e4ef'

# store_bitmap NAME: $work/NAME.bmp (24-bit) becomes res/NAME.bmp (8-bit RLE),
# checked pixel for pixel against the drawing by ImageMagick's own decoder.
store_bitmap() {
  python3 "$here/make_rle_bitmap.py" "$work/$1.bmp" "$here/$1.bmp"
  local differ
  differ=$(compare -metric AE "$work/$1.bmp" "$here/$1.bmp" null: 2>&1) || true
  [[ "$differ" == 0 ]] || { echo "make-artwork: $1.bmp: $differ pixels differ from the drawing" >&2; exit 1; }
}

# --- Background, 600 x 360 ------------------------------------------------------
# Body: a vertical gradient (no horizontal change where the buttons sit, so a
# face cut from the same place blends in). Footer from y 272 with a line above
# it. Soft circles in the top-right and bottom-left corners, a brand-coloured
# strip along the top edge.
convert -size 600x272 "gradient:${top}-${mid}" "$work/body.png"
convert -size 600x88 "gradient:${footTop}-${footBottom}" "$work/foot.png"
convert -size 600x360 xc:white \
  "$work/body.png" -geometry +0+0 -composite \
  "$work/foot.png" -geometry +0+272 -composite \
  -fill 'rgba(5,94,172,0.06)' -stroke none -draw 'circle 575,-30 575,150' \
  -fill 'rgba(5,94,172,0.05)' -draw 'circle 470,-120 470,60' \
  -fill 'rgba(60,150,220,0.07)' -draw 'circle 520,20 520,95' \
  -fill 'rgba(5,94,172,0.05)' -draw 'circle 20,400 20,260' \
  -fill 'rgba(60,150,220,0.06)' -draw 'circle 150,430 150,330' \
  -fill "$brand" -draw 'rectangle 0,0 599,3' \
  -fill 'rgba(5,94,172,0.35)' -draw 'rectangle 0,4 599,4' \
  -fill '#c6d5e6' -draw 'line 0,271 599,271' \
  -fill '#fbfdff' -draw 'line 0,272 599,272' \
  "$work/background.png"
# The decoration must leave the button places plain; redo the footer band
# under the push buttons and the body band under the browse button.
convert "$work/background.png" \
  \( "$work/foot.png" -crop 300x76+300+10 +repage \) -geometry +300+282 -composite \
  \( "$work/body.png" -crop 80x40+500+200 +repage \) -geometry +500+200 -composite \
  "$work/background.png"
convert "$work/background.png" -type TrueColor "BMP3:$work/background.bmp"
store_bitmap background

# --- Button faces ---------------------------------------------------------------
# face OUT X Y W H TOP BOTTOM BORDER TEXTCOLOUR TEXT POINTSIZE
# A rounded face filled with a vertical gradient, cut over the background it
# will sit on (so the corners match), with its label centred. RGB(66,66,66) is
# the buttons' transparent colour; no face may contain it.
face() {
  local out=$1 x=$2 y=$3 w=$4 h=$5 c1=$6 c2=$7 border=$8 ink=$9 text=${10} size=${11}
  local r=5
  convert "$work/background.png" -crop "${w}x${h}+${x}+${y}" +repage \
    \( -size "${w}x${h}" "gradient:${c1}-${c2}" \) \
    \( -size "${w}x${h}" xc:black -fill white -draw "roundrectangle 0,0 $((w-1)),$((h-1)) $r,$r" \) \
    -composite \
    -fill none -stroke "$border" -strokewidth 1 \
    -draw "roundrectangle 0.5,0.5 $((w-1)).5,$((h-1)).5 $r,$r" \
    -stroke none -fill "$ink" -font "$font" -pointsize "$size" -gravity center \
    -annotate +0+0 "$text" \
    -fill 'rgb(67,67,67)' -opaque 'rgb(66,66,66)' \
    -type TrueColor "BMP3:$work/$out"
}

# Idle: Cancel and Back quiet white, Next in the brand blue.
# Hot: clearly lighter and more saturated than idle.
face cancel_hot.bmp  317 282 79 36 '#f5fbff' '#d6ebff' '#3d8fe0' '#0a5fb4' '取消' 15
face back_hot.bmp    408 282 79 36 '#f5fbff' '#d6ebff' '#3d8fe0' '#0a5fb4' '上一步' 15
face next_hot.bmp    499 282 79 36 '#5cb2ff' '#2b8ff0' '#1f78d6' '#ffffff' '下一步' 15
face cancel_idle.bmp 317 282 79 36 '#ffffff' '#e9eef3' '#a9b9ca' '#34495e' '取消' 15
face back_idle.bmp   408 282 79 36 '#ffffff' '#e9eef3' '#a9b9ca' '#34495e' '上一步' 15
face next_idle.bmp   499 282 79 36 '#2f7fc6' '#1a5f9f' '#14548f' '#ffffff' '下一步' 15
face browse.bmp      520 206 52 28 '#ffffff' '#e6edf4' '#8fa8c2' '#1f4e7a' '浏览' 13

# No face may hold the transparent colour.
for f in cancel_hot back_hot next_hot cancel_idle back_idle next_idle browse; do
  store_bitmap "$f"
  if convert "$here/$f.bmp" txt:- | grep -q 'srgb(66,66,66)\|#424242'; then
    echo "make-artwork: $f.bmp contains RGB(66,66,66)" >&2; exit 1
  fi
done

# --- Application icon: a download arrow into a tray on a blue tile --------------
convert -size 224x224 gradient:'#3f97e6'-'#15589e' \
  \( -size 224x224 xc:black -fill white -draw 'roundrectangle 0,0 223,223 44,44' \) \
  -alpha off -compose CopyOpacity -composite -compose Over \
  -background none -gravity center -extent 256x256 \
  "$work/tile.png"
convert "$work/tile.png" \
  -fill white -stroke none \
  -draw 'rectangle 112,52 144,128' \
  -draw 'polygon 76,120 180,120 128,176' \
  -fill none -stroke white -strokewidth 18 -draw 'stroke-linejoin round stroke-linecap round polyline 64,150 64,196 192,196 192,150' \
  "$work/icon256.png"
convert "$work/icon256.png" -define icon:auto-resize=256,48,32,16 "$work/setup.ico"
# Stored with every image as PNG (make_png_icon.py); checked frame by frame,
# colour and alpha.
python3 "$here/make_png_icon.py" "$work/setup.ico" "$here/setup.ico"
for frame in 0 1 2 3; do
  for channel in "" "-alpha extract"; do
    # shellcheck disable=SC2086
    convert "$work/setup.ico[$frame]" $channel "$work/drawn.png"
    # shellcheck disable=SC2086
    convert "$here/setup.ico[$frame]" $channel "$work/stored.png"
    differ=$(compare -metric AE "$work/drawn.png" "$work/stored.png" null: 2>&1) || true
    [[ "$differ" == 0 ]] || { echo "make-artwork: setup.ico image $frame: $differ pixels differ" >&2; exit 1; }
  done
done

# --- Cursor: pointing hand, hot spot at the finger tip (13, 5) ------------------
python3 "$here/make_cursor.py" "$here/hand.cur"

echo "make-artwork: written to $here"
