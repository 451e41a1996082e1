#!/usr/bin/env bash
# Draws the cutter's tool-bar icons imagecut/imagecut_01.png to
# imagecut_08.png (64 x 64: mouse tool, cut tool, straighten, remove
# background, turn left, turn right, fit to width, fit to height). The cut
# cursor cursor.png is shared with the image editor and drawn by
# make_editor_pictures.sh.
# The SVG sources land in art/imagecut/, the PNGs in resources/.
# Needs rsvg-convert (librsvg2-bin).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
svgdir="$here/imagecut"
out="$here/.."
mkdir -p "$svgdir" "$out/imagecut"

BLUE="#3b7dd8"
DARK="#44505c"
PAPER="#ffffff"
GREY="#c9c4b8"

head64() { echo "<svg xmlns='http://www.w3.org/2000/svg' width='64' height='64' viewBox='0 0 64 64'>"; }

# A page outline with four text lines, 30 x 40, its top-left corner at (x, y).
page() {
  local x=$1 y=$2 fill=$3
  echo "<rect x='$x' y='$y' width='30' height='40' rx='2' fill='$fill' stroke='$DARK' stroke-width='2.5'/>"
  for i in 0 1 2 3; do
    echo "<line x1='$((x + 6))' y1='$((y + 9 + i * 8))' x2='$((x + 24))' y2='$((y + 9 + i * 8))' stroke='$DARK' stroke-width='2' stroke-linecap='round'/>"
  done
}

{ # 01 mouse tool: an arrow pointer with the four directions of panning
  head64
  echo "<path d='M 14 8 L 14 44 L 23 36 L 29 50 L 35 47 L 29 34 L 41 34 Z' fill='$PAPER' stroke='$DARK' stroke-width='3' stroke-linejoin='round'/>"
  echo "<g fill='$BLUE'>"
  echo "<path d='M 50 30 L 55 37 L 45 37 Z'/><path d='M 50 58 L 55 51 L 45 51 Z'/>"
  echo "<path d='M 36 44 L 43 39 L 43 49 Z'/><path d='M 64 44 L 57 39 L 57 49 Z'/>"
  echo "</g>"
  echo "</svg>"
} > "$svgdir/imagecut_01.svg"

{ # 02 cut tool: crop marks around a dashed selection
  head64
  echo "<path d='M 18 6 L 18 46 L 58 46' fill='none' stroke='$DARK' stroke-width='5' stroke-linecap='square'/>"
  echo "<path d='M 6 18 L 46 18 L 46 58' fill='none' stroke='$BLUE' stroke-width='5' stroke-linecap='square'/>"
  echo "<rect x='22' y='22' width='20' height='20' fill='$BLUE' fill-opacity='0.15'/>"
  echo "</svg>"
} > "$svgdir/imagecut_02.svg"

{ # 03 straighten: a tilted dashed page turned upright
  head64
  echo "<g transform='rotate(-14 30 34)'><rect x='15' y='12' width='30' height='40' rx='2' fill='none' stroke='$GREY' stroke-width='2.5' stroke-dasharray='4 3'/></g>"
  page 19 12 "$PAPER"
  echo "<path d='M 52 14 A 14 14 0 0 1 56 30' fill='none' stroke='$BLUE' stroke-width='3' stroke-linecap='round'/>"
  echo "<path d='M 51 28 L 57 34 L 61 26 Z' fill='$BLUE'/>"
  echo "</svg>"
} > "$svgdir/imagecut_03.svg"

{ # 04 remove background: a greyish page turning white under a sweep
  head64
  echo "<rect x='10' y='8' width='40' height='48' rx='2' fill='$GREY' stroke='$DARK' stroke-width='2.5'/>"
  echo "<path d='M 10 56 L 10 40 L 50 16 L 50 56 Z' fill='$PAPER'/>"
  echo "<rect x='10' y='8' width='40' height='48' rx='2' fill='none' stroke='$DARK' stroke-width='2.5'/>"
  for i in 0 1 2 3; do
    echo "<line x1='16' y1='$((18 + i * 9))' x2='44' y2='$((18 + i * 9))' stroke='$DARK' stroke-width='2' stroke-linecap='round'/>"
  done
  echo "<path d='M 44 52 L 58 38 L 62 42 L 48 56 Z' fill='$BLUE'/>"
  echo "</svg>"
} > "$svgdir/imagecut_04.svg"

turn() { # a circular arrow; $1 = 1 clockwise, 0 counter-clockwise
  head64
  if [ "$1" = 1 ]; then
    echo "<path d='M 14 38 A 19 19 0 1 1 42 49' fill='none' stroke='$BLUE' stroke-width='6' stroke-linecap='round'/>"
    echo "<path d='M 34 42 L 48 56 L 50 38 Z' fill='$BLUE'/>"
  else
    echo "<path d='M 50 38 A 19 19 0 1 0 22 49' fill='none' stroke='$BLUE' stroke-width='6' stroke-linecap='round'/>"
    echo "<path d='M 30 42 L 16 56 L 14 38 Z' fill='$BLUE'/>"
  fi
  echo "<rect x='25' y='21' width='14' height='18' rx='1.5' fill='$PAPER' stroke='$DARK' stroke-width='2'/>"
  echo "</svg>"
}
turn 0 > "$svgdir/imagecut_05.svg"
turn 1 > "$svgdir/imagecut_06.svg"

{ # 07 fit to width: a double arrow between two upright bars
  head64
  echo "<line x1='6' y1='12' x2='6' y2='52' stroke='$DARK' stroke-width='4' stroke-linecap='round'/>"
  echo "<line x1='58' y1='12' x2='58' y2='52' stroke='$DARK' stroke-width='4' stroke-linecap='round'/>"
  echo "<line x1='18' y1='32' x2='46' y2='32' stroke='$BLUE' stroke-width='6'/>"
  echo "<path d='M 12 32 L 24 22 L 24 42 Z' fill='$BLUE'/><path d='M 52 32 L 40 22 L 40 42 Z' fill='$BLUE'/>"
  echo "</svg>"
} > "$svgdir/imagecut_07.svg"

{ # 08 fit to height: a double arrow between two lying bars
  head64
  echo "<line x1='12' y1='6' x2='52' y2='6' stroke='$DARK' stroke-width='4' stroke-linecap='round'/>"
  echo "<line x1='12' y1='58' x2='52' y2='58' stroke='$DARK' stroke-width='4' stroke-linecap='round'/>"
  echo "<line x1='32' y1='18' x2='32' y2='46' stroke='$BLUE' stroke-width='6'/>"
  echo "<path d='M 32 12 L 22 24 L 42 24 Z' fill='$BLUE'/><path d='M 32 52 L 22 40 L 42 40 Z' fill='$BLUE'/>"
  echo "</svg>"
} > "$svgdir/imagecut_08.svg"

for n in 01 02 03 04 05 06 07 08; do
  rsvg-convert -o "$out/imagecut/imagecut_$n.png" "$svgdir/imagecut_$n.svg"
done
