#!/usr/bin/env bash
# Draws the installer's artwork into res/: the wizard background (bitmap 129),
# the button faces (142..148), the same at 150 % and 200 % display scale
# (artwork_150.bin and artwork_200.bin, RCDATA 150 and 200), the hand cursor
# (149) and the application icon (128). The images are committed, so a build
# needs neither this script nor ImageMagick; run it again only to change the
# artwork.
#
# The bitmaps are drawn in 24-bit colour and stored as 8-bit run-length
# encoded bitmaps with exactly their colours (make_rle_bitmap.py): the same
# pixels in about 18 KB instead of 705 KB. Each must therefore keep to 256
# colours; the script checks that the stored file shows the drawn pixels.
# The icon's images are stored as PNG (make_png_icon.py): 14 KB instead of 25.
#
# Needs: ImageMagick 6 (convert), python3, pigz, the font fonts-wqy-microhei.
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

# --- One set of artwork at a display scale of P percent -------------------------
# Every place on the page is a 100 % coordinate; at P percent it lies at
# at(V) = floor(V * P / 100 + 1/2), the installer's rounding rule, so a face
# is exactly the size of its scaled button and is cut from the place where
# that button sits on the scaled background. Sizes of strokes, corners and
# letters scale by P / 100 without rounding.
at() { echo $(((($1) * P + 50) / 100)); }
by() { awk -v v="$1" -v p="$P" 'BEGIN { printf "%g", v * p / 100 }'; }
# circle CX CY R: a circle at the scaled centre with the scaled radius.
circle() { echo "circle $(by "$1"),$(by "$2") $(by "$1"),$(by "$(($2 + $3))")"; }

# draw_set P SUFFIX: background$SUFFIX.bmp and the seven faces at P percent.
draw_set() {
  P=$1
  local sfx=$2 W H split
  W=$(at 600) H=$(at 360) split=$(at 272)

  # Background. Body: a vertical gradient (no horizontal change where the
  # buttons sit, so a face cut from the same place blends in). Footer from
  # y 272 with a line above it. Soft circles in the top-right and bottom-left
  # corners, a brand-coloured strip along the top edge.
  convert -size "${W}x${split}" "gradient:${top}-${mid}" "$work/body.png"
  convert -size "${W}x$((H - split))" "gradient:${footTop}-${footBottom}" "$work/foot.png"
  convert -size "${W}x${H}" xc:white \
    "$work/body.png" -geometry +0+0 -composite \
    "$work/foot.png" -geometry "+0+${split}" -composite \
    -fill 'rgba(5,94,172,0.06)' -stroke none -draw "$(circle 575 -30 180)" \
    -fill 'rgba(5,94,172,0.05)' -draw "$(circle 470 -120 180)" \
    -fill 'rgba(60,150,220,0.07)' -draw "$(circle 520 20 75)" \
    -fill 'rgba(5,94,172,0.05)' -draw "$(circle 20 400 -140)" \
    -fill 'rgba(60,150,220,0.06)' -draw "$(circle 150 430 -100)" \
    -fill "$brand" -draw "rectangle 0,0 $((W - 1)),$(($(at 4) - 1))" \
    -fill 'rgba(5,94,172,0.35)' -draw "rectangle 0,$(at 4) $((W - 1)),$(($(at 5) - 1))" \
    -fill '#c6d5e6' -draw "rectangle 0,$(at 271) $((W - 1)),$((split - 1))" \
    -fill '#fbfdff' -draw "rectangle 0,${split} $((W - 1)),$(($(at 273) - 1))" \
    "$work/background.png"
  # The decoration must leave the button places plain; redo the footer band
  # under the push buttons and the body band under the browse button.
  convert "$work/background.png" \
    \( "$work/foot.png" -crop "$((W - $(at 300)))x$(($(at 358) - $(at 282)))+$(at 300)+$(($(at 282) - split))" \
       +repage \) -geometry "+$(at 300)+$(at 282)" -composite \
    \( "$work/body.png" -crop "$(($(at 580) - $(at 500)))x$(($(at 240) - $(at 200)))+$(at 500)+$(at 200)" \
       +repage \) -geometry "+$(at 500)+$(at 200)" -composite \
    "$work/background.png"
  convert "$work/background.png" -type TrueColor "BMP3:$work/background$sfx.bmp"

  # Idle: Cancel and Back quiet white, Next in the brand blue.
  # Hot: clearly lighter and more saturated than idle.
  face "cancel_hot$sfx"  317 282 79 36 '#f5fbff' '#d6ebff' '#3d8fe0' '#0a5fb4' '取消' 15
  face "back_hot$sfx"    408 282 79 36 '#f5fbff' '#d6ebff' '#3d8fe0' '#0a5fb4' '上一步' 15
  face "next_hot$sfx"    499 282 79 36 '#5cb2ff' '#2b8ff0' '#1f78d6' '#ffffff' '下一步' 15
  face "cancel_idle$sfx" 317 282 79 36 '#ffffff' '#e9eef3' '#a9b9ca' '#34495e' '取消' 15
  face "back_idle$sfx"   408 282 79 36 '#ffffff' '#e9eef3' '#a9b9ca' '#34495e' '上一步' 15
  face "next_idle$sfx"   499 282 79 36 '#2f7fc6' '#1a5f9f' '#14548f' '#ffffff' '下一步' 15
  face "browse$sfx"      520 206 52 28 '#ffffff' '#e6edf4' '#8fa8c2' '#1f4e7a' '浏览' 13
}

# face OUT X Y W H TOP BOTTOM BORDER TEXTCOLOUR TEXT POINTSIZE (100 % place
# and size): a rounded face filled with a vertical gradient, cut over the
# background it will sit on (so the corners match), with its label centred.
# RGB(66,66,66) is the buttons' transparent colour; no face may contain it.
face() {
  local out=$1 text=${10} c1=$6 c2=$7 border=$8 ink=$9
  local x y w h r sw lo
  x=$(at "$2") y=$(at "$3") w=$(($(at $(($2 + $4))) - $(at "$2"))) h=$(($(at $(($3 + $5))) - $(at "$3")))
  r=$(by 5) sw=$(by 1) lo=$(awk -v s="$sw" 'BEGIN { printf "%g", s / 2 }')
  convert "$work/background.png" -crop "${w}x${h}+${x}+${y}" +repage \
    \( -size "${w}x${h}" "gradient:${c1}-${c2}" \) \
    \( -size "${w}x${h}" xc:black -fill white -draw "roundrectangle 0,0 $((w-1)),$((h-1)) $r,$r" \) \
    -composite \
    -fill none -stroke "$border" -strokewidth "$sw" \
    -draw "roundrectangle $lo,$lo $(awk -v w="$w" -v h="$h" -v l="$lo" 'BEGIN { printf "%g,%g", w - l, h - l }') $r,$r" \
    -stroke none -fill "$ink" -font "$font" -pointsize "$(by "${11}")" -gravity center \
    -annotate +0+0 "$text" \
    -fill 'rgb(67,67,67)' -opaque 'rgb(66,66,66)' \
    -type TrueColor "BMP3:$work/$out.bmp"
}

# 100 %: the bitmap resources, each with exactly its drawn colours.
draw_set 100 ""
for f in background cancel_hot back_hot next_hot cancel_idle back_idle next_idle browse; do
  store_bitmap "$f"
done
# No face may hold the transparent colour.
for f in cancel_hot back_hot next_hot cancel_idle back_idle next_idle browse; do
  if convert "$here/$f.bmp" txt:- | grep -q 'srgb(66,66,66)\|#424242'; then
    echo "make-artwork: $f.bmp contains RGB(66,66,66)" >&2; exit 1
  fi
done

# 150 % and 200 %: one sheet each, the background on top and the faces below
# it from the left in this order (the installer finds them by their buttons'
# scaled sizes), reduced to 64 colours (fewer show steps in the gradients)
# and stored as a zlib stream (make_sheet_blob.py). At any other scale above
# 100 % the installer takes the nearest sheet that is not smaller and fits
# it with its smoothing filter.
for P in 150 200; do
  draw_set "$P" "_$P"
  convert "$work/cancel_hot_$P.bmp" "$work/back_hot_$P.bmp" "$work/next_hot_$P.bmp" \
    "$work/cancel_idle_$P.bmp" "$work/back_idle_$P.bmp" "$work/next_idle_$P.bmp" "$work/browse_$P.bmp" \
    -background white +append "$work/faces_$P.png"
  convert "$work/background_$P.bmp" "$work/faces_$P.png" -background white -append \
    +dither -colors 64 "$work/sheet_$P.png"
  convert "$work/sheet_$P.png" -type Palette -compress none "BMP3:$work/sheet_$P.bmp"
  differ=$(compare -metric AE "$work/sheet_$P.png" "$work/sheet_$P.bmp" null: 2>&1) || true
  [[ "$differ" == 0 ]] || { echo "make-artwork: sheet_$P.bmp: $differ pixels differ from the drawing" >&2; exit 1; }
  if convert "$work/sheet_$P.bmp" txt:- | grep -q 'srgb(66,66,66)\|#424242'; then
    echo "make-artwork: sheet_$P.bmp contains RGB(66,66,66)" >&2; exit 1
  fi
  python3 "$here/make_sheet_blob.py" "$work/sheet_$P.bmp" "$here/artwork_$P.bin"
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
# Stored with every image as an 8-bit PNG (make_png_icon.py); checked frame
# by frame, colour and alpha. The 256-pixel image is drawn with 16 bits a
# channel and stored with 8, each value the nearest: it may differ from the
# drawing by one level of 255 (-fuzz); the others are exactly the drawing.
python3 "$here/make_png_icon.py" "$work/setup.ico" "$here/setup.ico"
for frame in 0 1 2 3; do
  fuzz=0
  [[ $frame == 0 ]] && fuzz=0.4%
  for channel in "" "-alpha extract"; do
    # shellcheck disable=SC2086
    convert "$work/setup.ico[$frame]" $channel "$work/drawn.png"
    # shellcheck disable=SC2086
    convert "$here/setup.ico[$frame]" $channel "$work/stored.png"
    differ=$(compare -metric AE -fuzz "$fuzz" "$work/drawn.png" "$work/stored.png" null: 2>&1) || true
    [[ "$differ" == 0 ]] || { echo "make-artwork: setup.ico image $frame: $differ pixels differ" >&2; exit 1; }
  done
done

# --- Cursor: pointing hand, hot spot at the finger tip (13, 5) ------------------
python3 "$here/make_cursor.py" "$here/hand.cur"

echo "make-artwork: written to $here"
