#!/usr/bin/env bash
# Draws the image editor's pictures: the ten tool-bar icons
# imageviewer/imageviewer_01.png .. _10.png (64 x 64: mouse, cut, erase,
# whiten background, remove red, text, pen, turn right, undo, redo), the pen
# cursor imageviewer/cursor_pen.png (48 x 50, tip at the bottom-left
# corner), the move picture of the text entry imageviewer/text-move.png
# (20 x 20) and the cut cursor cursor.png (48 x 48, its point at the top-left
# corner). The SVG sources land in art/editor/, the PNGs in resources/.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
svgdir="$here/editor"
out="$here/.."
mkdir -p "$svgdir" "$out/imageviewer"

# 01 mouse: an arrow pointer with a small hand-drag mark.
cat > "$svgdir/imageviewer_01.svg" <<'SVG'
<svg xmlns='http://www.w3.org/2000/svg' width='64' height='64' viewBox='0 0 64 64'>
  <path d='M 18 8 L 18 50 L 28 40 L 35 56 L 42 53 L 35 37 L 49 37 Z' fill='#ffffff' stroke='#3b5f8a' stroke-width='3.5' stroke-linejoin='round'/>
  <path d='M 48 12 L 56 12 M 52 8 L 52 16' stroke='#3b7dd8' stroke-width='3' stroke-linecap='round'/>
</svg>
SVG

# 02 cut: two crop corners around a dashed frame.
cat > "$svgdir/imageviewer_02.svg" <<'SVG'
<svg xmlns='http://www.w3.org/2000/svg' width='64' height='64' viewBox='0 0 64 64'>
  <rect x='18' y='18' width='28' height='28' fill='#dbe8f7' stroke='#3b7dd8' stroke-width='2' stroke-dasharray='4 3'/>
  <path d='M 14 4 L 14 50 L 60 50' fill='none' stroke='#2c4a6e' stroke-width='6' stroke-linejoin='round'/>
  <path d='M 4 14 L 50 14 L 50 60' fill='none' stroke='#2c4a6e' stroke-width='6' stroke-linejoin='round'/>
</svg>
SVG

# 03 erase: a tilted eraser over a line of ink.
cat > "$svgdir/imageviewer_03.svg" <<'SVG'
<svg xmlns='http://www.w3.org/2000/svg' width='64' height='64' viewBox='0 0 64 64'>
  <path d='M 6 56 L 58 56' stroke='#9aa5b1' stroke-width='3' stroke-linecap='round' stroke-dasharray='6 4'/>
  <g transform='rotate(-40 32 32)'>
    <rect x='10' y='22' width='44' height='22' rx='4' fill='#f08ca0' stroke='#8a3a4a' stroke-width='3'/>
    <rect x='10' y='22' width='16' height='22' rx='4' fill='#ffffff' stroke='#8a3a4a' stroke-width='3'/>
  </g>
</svg>
SVG

# 04 whiten background: a page, grey on the left, white with a sparkle on the right.
cat > "$svgdir/imageviewer_04.svg" <<'SVG'
<svg xmlns='http://www.w3.org/2000/svg' width='64' height='64' viewBox='0 0 64 64'>
  <path d='M 12 6 L 42 6 L 54 18 L 54 58 L 12 58 Z' fill='#ffffff' stroke='#4a5a6a' stroke-width='3' stroke-linejoin='round'/>
  <path d='M 13.5 7.5 L 33 7.5 L 33 56.5 L 13.5 56.5 Z' fill='#b9b2a0'/>
  <path d='M 18 22 L 48 22 M 18 32 L 48 32 M 18 42 L 48 42' stroke='#2b2b2b' stroke-width='3' stroke-linecap='round'/>
  <path d='M 46 44 L 48 50 L 54 52 L 48 54 L 46 60 L 44 54 L 38 52 L 44 50 Z' fill='#f0b020'/>
</svg>
SVG

# 05 remove red: a red tick crossed out.
cat > "$svgdir/imageviewer_05.svg" <<'SVG'
<svg xmlns='http://www.w3.org/2000/svg' width='64' height='64' viewBox='0 0 64 64'>
  <rect x='8' y='8' width='48' height='48' rx='6' fill='#ffffff' stroke='#4a5a6a' stroke-width='3'/>
  <path d='M 16 32 L 27 44 L 48 18' fill='none' stroke='#e0302a' stroke-width='6' stroke-linecap='round' stroke-linejoin='round'/>
  <path d='M 40 40 L 58 58 M 58 40 L 40 58' stroke='#2c4a6e' stroke-width='5' stroke-linecap='round'/>
</svg>
SVG

# 06 text: a bold letter A with a text cursor.
cat > "$svgdir/imageviewer_06.svg" <<'SVG'
<svg xmlns='http://www.w3.org/2000/svg' width='64' height='64' viewBox='0 0 64 64'>
  <path d='M 8 54 L 24 10 L 32 10 L 48 54 L 39 54 L 35 43 L 21 43 L 17 54 Z M 23.5 35 L 32.5 35 L 28 21 Z' fill='#2c4a6e'/>
  <path d='M 54 14 L 54 54 M 49 14 L 59 14 M 49 54 L 59 54' stroke='#3b7dd8' stroke-width='3' stroke-linecap='round'/>
</svg>
SVG

# 07 pen: a pencil drawing a line.
cat > "$svgdir/imageviewer_07.svg" <<'SVG'
<svg xmlns='http://www.w3.org/2000/svg' width='64' height='64' viewBox='0 0 64 64'>
  <path d='M 6 58 Q 20 50 30 56 T 58 54' fill='none' stroke='#2b2b2b' stroke-width='2.5' stroke-linecap='round'/>
  <path d='M 44 6 L 56 18 L 22 52 L 8 56 L 12 42 Z' fill='#f0b020' stroke='#6a4a10' stroke-width='3' stroke-linejoin='round'/>
  <path d='M 12 42 L 22 52' stroke='#6a4a10' stroke-width='3'/>
  <path d='M 8 56 L 10 49 L 15 54 Z' fill='#2b2b2b'/>
</svg>
SVG

# 08 turn right: a clockwise arrow around a page.
cat > "$svgdir/imageviewer_08.svg" <<'SVG'
<svg xmlns='http://www.w3.org/2000/svg' width='64' height='64' viewBox='0 0 64 64'>
  <rect x='20' y='24' width='24' height='30' rx='2' fill='#dbe8f7' stroke='#4a5a6a' stroke-width='2.5'/>
  <path d='M 12 30 A 20 20 0 0 1 48 16' fill='none' stroke='#2e9e4f' stroke-width='5' stroke-linecap='round'/>
  <path d='M 40 8 L 54 16 L 42 26 Z' fill='#2e9e4f'/>
</svg>
SVG

# 09 undo: an arrow turning back to the left.
cat > "$svgdir/imageviewer_09.svg" <<'SVG'
<svg xmlns='http://www.w3.org/2000/svg' width='64' height='64' viewBox='0 0 64 64'>
  <path d='M 20 24 L 40 24 A 14 14 0 0 1 40 52 L 24 52' fill='none' stroke='#3b7dd8' stroke-width='6' stroke-linecap='round' stroke-linejoin='round'/>
  <path d='M 6 24 L 22 12 L 22 36 Z' fill='#3b7dd8' stroke='#3b7dd8' stroke-width='2' stroke-linejoin='round'/>
</svg>
SVG

# 10 redo: the mirror image of undo.
cat > "$svgdir/imageviewer_10.svg" <<'SVG'
<svg xmlns='http://www.w3.org/2000/svg' width='64' height='64' viewBox='0 0 64 64'>
  <g transform='translate(64 0) scale(-1 1)'>
    <path d='M 20 24 L 40 24 A 14 14 0 0 1 40 52 L 24 52' fill='none' stroke='#3b7dd8' stroke-width='6' stroke-linecap='round' stroke-linejoin='round'/>
    <path d='M 6 24 L 22 12 L 22 36 Z' fill='#3b7dd8' stroke='#3b7dd8' stroke-width='2' stroke-linejoin='round'/>
  </g>
</svg>
SVG

# The pen cursor: the pencil's tip at the bottom-left corner (the hot spot
# (0, 24) of the cursor scaled to 24 pixels wide).
cat > "$svgdir/cursor_pen.svg" <<'SVG'
<svg xmlns='http://www.w3.org/2000/svg' width='48' height='50' viewBox='0 0 48 50'>
  <path d='M 36 2 L 46 12 L 14 44 L 1 49 L 6 36 Z' fill='#f0b020' stroke='#3a2a08' stroke-width='2.5' stroke-linejoin='round'/>
  <path d='M 6 36 L 14 44' stroke='#3a2a08' stroke-width='2.5'/>
  <path d='M 1 49 L 3 42 L 8 47 Z' fill='#000000'/>
</svg>
SVG

# The cut cursor: a crop corner whose point is the top-left pixel.
cat > "$svgdir/cursor.svg" <<'SVG'
<svg xmlns='http://www.w3.org/2000/svg' width='48' height='48' viewBox='0 0 48 48'>
  <path d='M 2 2 L 2 30 M 2 2 L 30 2' stroke='#ffffff' stroke-width='7' stroke-linecap='square'/>
  <path d='M 2 2 L 2 30 M 2 2 L 30 2' stroke='#1a1a1a' stroke-width='3.5' stroke-linecap='square'/>
  <path d='M 16 16 L 44 16 L 44 44 L 16 44 Z' fill='none' stroke='#ffffff' stroke-width='4'/>
  <path d='M 16 16 L 44 16 L 44 44 L 16 44 Z' fill='none' stroke='#3b7dd8' stroke-width='2' stroke-dasharray='4 3'/>
</svg>
SVG

# The text entry's move picture: four arrows.
cat > "$svgdir/text-move.svg" <<'SVG'
<svg xmlns='http://www.w3.org/2000/svg' width='20' height='20' viewBox='0 0 20 20'>
  <path d='M 10 2 L 10 18 M 2 10 L 18 10' stroke='#555555' stroke-width='1.6'/>
  <path d='M 10 0.5 L 13 4 L 7 4 Z M 10 19.5 L 13 16 L 7 16 Z M 0.5 10 L 4 7 L 4 13 Z M 19.5 10 L 16 7 L 16 13 Z' fill='#555555'/>
</svg>
SVG

for n in 01 02 03 04 05 06 07 08 09 10; do
  rsvg-convert -w 64 -h 64 "$svgdir/imageviewer_$n.svg" -o "$out/imageviewer/imageviewer_$n.png"
done
rsvg-convert -w 48 -h 50 "$svgdir/cursor_pen.svg" -o "$out/imageviewer/cursor_pen.png"
rsvg-convert -w 20 -h 20 "$svgdir/text-move.svg" -o "$out/imageviewer/text-move.png"
rsvg-convert -w 48 -h 48 "$svgdir/cursor.svg" -o "$out/cursor.png"
