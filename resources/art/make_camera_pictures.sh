#!/usr/bin/env bash
# Draws the camera window's tool-bar icons camera/camera_01.png to
# camera_03.png (64 x 64: turn left, take a photo, turn right), in the
# drawing of the cutter's tool bar: the same colours, and the turning
# arrows copied from the SVGs that make_cutter_pictures.sh draws.
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

# The turning arrows are the cutter's own drawings (its 05 and 06).
cp "$here/imagecut/imagecut_05.svg" "$svgdir/camera_01.svg"

{ # 02 take a photo: a camera body with its lens and flash
  head64
  echo "<path d='M 22 14 L 42 14 L 46 21 L 56 21 Q 60 21 60 25 L 60 50 Q 60 54 56 54 L 8 54 Q 4 54 4 50 L 4 25 Q 4 21 8 21 L 18 21 Z' fill='$PAPER' stroke='$DARK' stroke-width='3' stroke-linejoin='round'/>"
  echo "<circle cx='32' cy='37' r='12' fill='$BLUE' stroke='$DARK' stroke-width='3'/>"
  echo "<circle cx='32' cy='37' r='5' fill='$PAPER'/>"
  echo "<rect x='48' y='26' width='7' height='4' rx='1' fill='$DARK'/>"
  echo "</svg>"
} > "$svgdir/camera_02.svg"

cp "$here/imagecut/imagecut_06.svg" "$svgdir/camera_03.svg"

for n in 01 02 03; do
  rsvg-convert -o "$out/camera/camera_$n.png" "$svgdir/camera_$n.svg"
done
