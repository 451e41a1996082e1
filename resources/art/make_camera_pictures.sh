#!/usr/bin/env bash
# Draws the camera window's tool-bar icons camera/camera_01.png to
# camera_03.png (64 x 64: turn left, take a photo, turn right), in the
# drawing of the cutter's tool bar (make_cutter_pictures.sh): the same
# colours, and the same turning arrows around a page.
# The SVG sources land in art/camera/, the PNGs in resources/.
# Needs rsvg-convert (librsvg2-bin).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
svgdir="$here/camera"
out="$here/.."
mkdir -p "$svgdir" "$out/camera"

BLUE="#3b7dd8"
DARK="#44505c"
PAPER="#ffffff"

head64() { echo "<svg xmlns='http://www.w3.org/2000/svg' width='64' height='64' viewBox='0 0 64 64'>"; }

turn() { # a circular arrow around a page; $1 = 1 clockwise, 0 counter-clockwise
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

turn 0 > "$svgdir/camera_01.svg"

{ # 02 take a photo: a camera body with its lens and flash
  head64
  echo "<path d='M 22 14 L 42 14 L 46 21 L 56 21 Q 60 21 60 25 L 60 50 Q 60 54 56 54 L 8 54 Q 4 54 4 50 L 4 25 Q 4 21 8 21 L 18 21 Z' fill='$PAPER' stroke='$DARK' stroke-width='3' stroke-linejoin='round'/>"
  echo "<circle cx='32' cy='37' r='12' fill='$BLUE' stroke='$DARK' stroke-width='3'/>"
  echo "<circle cx='32' cy='37' r='5' fill='$PAPER'/>"
  echo "<rect x='48' y='26' width='7' height='4' rx='1' fill='$DARK'/>"
  echo "</svg>"
} > "$svgdir/camera_02.svg"

turn 1 > "$svgdir/camera_03.svg"

for n in 01 02 03; do
  rsvg-convert -o "$out/camera/camera_$n.png" "$svgdir/camera_$n.svg"
done
