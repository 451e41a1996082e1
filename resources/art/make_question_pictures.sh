#!/usr/bin/env bash
# Draws the pictures of the question forms: the answer editor's tool-bar
# icons, textEdit/<name>.png (28 x 28), and the phrase-menu book, book.png
# (16 x 16). The SVG sources land in art/question/, the PNGs beside the
# other resources. Needs rsvg-convert (librsvg2-bin).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
svgdir="$here/question"
pngdir="$here/.."
mkdir -p "$svgdir" "$pngdir/textEdit"

INK="#3b4a5a"
BLUE="#3d7fc4"
GREEN="#2e9e4f"
RED="#d63b33"

icon() {   # name, body: a 32 x 32 drawing rendered at 28 x 28
  local name=$1 body=$2
  printf "<svg xmlns='http://www.w3.org/2000/svg' width='32' height='32' viewBox='0 0 32 32'>%s</svg>\n" \
    "$body" > "$svgdir/$name.svg"
  rsvg-convert -w 28 -h 28 "$svgdir/$name.svg" -o "$pngdir/textEdit/$name.png"
}

picture="<rect x='4' y='7' width='22' height='18' rx='2' fill='white' stroke='$INK' stroke-width='2'/>
<circle cx='11' cy='13' r='2.5' fill='#f2b632'/>
<path d='M 6 23 L 13 16 L 17 20 L 20 17 L 24 23 Z' fill='$GREEN'/>"
lens="<circle cx='13' cy='13' r='8' fill='white' stroke='$INK' stroke-width='2.5'/>
<path d='M 19 19 L 27 27' stroke='$INK' stroke-width='4' stroke-linecap='round'/>"
lines() {  # x offsets of the four lines' starts and ends: a alignment drawing
  local out="" y=7 i=0
  for spec in "$@"; do
    out+="<path d='M ${spec%,*} $y L ${spec#*,} $y' stroke='$INK' stroke-width='2.5' stroke-linecap='round'/>"
    y=$((y + 6)); i=$((i + 1))
  done
  echo "$out"
}

icon source_image "<path d='M 7 3 L 21 3 L 27 9 L 27 29 L 7 29 Z' fill='white' stroke='$INK' stroke-width='2'/>
<path d='M 11 10 L 23 10 M 11 14 L 23 14' stroke='#9aa5b1' stroke-width='1.5'/>
<rect x='10' y='17' width='14' height='9' fill='none' stroke='$BLUE' stroke-width='2' stroke-dasharray='3 2'/>"
icon select_image "$picture
<circle cx='25' cy='24' r='6' fill='$BLUE'/>
<path d='M 25 20.5 L 25 27.5 M 21.5 24 L 28.5 24' stroke='white' stroke-width='2.2' stroke-linecap='round'/>"
icon scan_picture "<rect x='3' y='10' width='26' height='17' rx='3' fill='white' stroke='$INK' stroke-width='2'/>
<path d='M 10 10 L 12 6 L 20 6 L 22 10' fill='none' stroke='$INK' stroke-width='2' stroke-linejoin='round'/>
<circle cx='16' cy='18.5' r='5' fill='none' stroke='$BLUE' stroke-width='2.5'/>"
icon screenShot "<rect x='3' y='5' width='26' height='18' rx='2' fill='white' stroke='$INK' stroke-width='2'/>
<path d='M 12 28 L 20 28 M 16 23 L 16 28' stroke='$INK' stroke-width='2' stroke-linecap='round'/>
<path d='M 8 13 L 8 10 L 11 10 M 21 10 L 24 10 L 24 13 M 24 15 L 24 18 L 21 18 M 11 18 L 8 18 L 8 15' fill='none' stroke='$RED' stroke-width='2'/>"
icon zoomin "$lens<path d='M 9 13 L 17 13 M 13 9 L 13 17' stroke='$BLUE' stroke-width='2.5' stroke-linecap='round'/>"
icon zoomout "$lens<path d='M 9 13 L 17 13' stroke='$BLUE' stroke-width='2.5' stroke-linecap='round'/>"
icon image_auto "$picture
<rect x='18' y='17' width='13' height='13' rx='3' fill='$BLUE'/>
<text x='24.5' y='27.5' font-family='DejaVu Sans, sans-serif' font-weight='bold' font-size='11' fill='white' text-anchor='middle'>A</text>"
icon textbold "<text x='16' y='26' font-family='DejaVu Serif, serif' font-weight='bold' font-size='24' fill='$INK' text-anchor='middle'>B</text>"
icon textunder "<text x='16' y='23' font-family='DejaVu Serif, serif' font-size='22' fill='$INK' text-anchor='middle'>U</text>
<path d='M 8 28 L 24 28' stroke='$INK' stroke-width='2'/>"
icon textitalic "<text x='16' y='26' font-family='DejaVu Serif, serif' font-style='italic' font-size='24' fill='$INK' text-anchor='middle'>I</text>"
icon textleft "$(lines 5,27 5,20 5,27 5,17)"
icon textcenter "$(lines 5,27 9,23 5,27 11,21)"
icon textright "$(lines 5,27 12,27 5,27 15,27)"
icon textjustify "$(lines 5,27 5,27 5,27 5,18)"

# The book behind the phrase menus of the form's text lines.
cat > "$svgdir/book.svg" <<SVG
<svg xmlns='http://www.w3.org/2000/svg' width='16' height='16' viewBox='0 0 16 16'>
<path d='M 2 2.5 Q 5 1.5 8 3 Q 11 1.5 14 2.5 L 14 13.5 Q 11 12.5 8 14 Q 5 12.5 2 13.5 Z' fill='white' stroke='$BLUE' stroke-width='1.3' stroke-linejoin='round'/>
<path d='M 8 3 L 8 14' stroke='$BLUE' stroke-width='1.2'/>
<path d='M 3.8 5.5 L 6.5 5.2 M 3.8 8 L 6.5 7.7 M 9.5 5.2 L 12.2 5.5 M 9.5 7.7 L 12.2 8' stroke='#9aa5b1' stroke-width='0.9'/>
</svg>
SVG
rsvg-convert -w 16 -h 16 "$svgdir/book.svg" -o "$pngdir/book.png"
