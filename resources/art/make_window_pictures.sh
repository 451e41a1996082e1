#!/usr/bin/env bash
# Draws the main window's pictures: the tab icons warehouse.png and
# barGraph.png (24 x 24), the notice mark new.png (24 x 24) and the first-run
# tip set_tips.png (150 x 75, its arrow points up-right at the settings button).
# The SVG sources land in art/window/, the PNGs in resources/.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
svgdir="$here/window"
out="$here/.."
mkdir -p "$svgdir"

cat > "$svgdir/warehouse.svg" <<'SVG'
<svg xmlns='http://www.w3.org/2000/svg' width='48' height='48' viewBox='0 0 48 48'>
  <path d='M 6 20 L 24 8 L 42 20 L 42 42 L 6 42 Z' fill='#3b7dd8'/>
  <rect x='13' y='24' width='22' height='18' fill='#ffffff'/>
  <rect x='16' y='28' width='7' height='5' fill='#f0a030'/>
  <rect x='25' y='28' width='7' height='5' fill='#f0a030'/>
  <rect x='16' y='35' width='7' height='5' fill='#f0a030'/>
  <rect x='25' y='35' width='7' height='5' fill='#f0a030'/>
</svg>
SVG

cat > "$svgdir/barGraph.svg" <<'SVG'
<svg xmlns='http://www.w3.org/2000/svg' width='48' height='48' viewBox='0 0 48 48'>
  <path d='M 6 6 L 6 42 L 43 42' fill='none' stroke='#555555' stroke-width='3' stroke-linecap='round'/>
  <rect x='11' y='26' width='7' height='14' rx='1' fill='#e8554e'/>
  <rect x='21' y='16' width='7' height='24' rx='1' fill='#3b7dd8'/>
  <rect x='31' y='9' width='7' height='31' rx='1' fill='#2e9e4f'/>
</svg>
SVG

cat > "$svgdir/new.svg" <<'SVG'
<svg xmlns='http://www.w3.org/2000/svg' width='48' height='48' viewBox='0 0 48 48'>
  <rect x='2' y='12' width='44' height='24' rx='7' fill='#e8554e'/>
  <text x='24' y='30' font-family='DejaVu Sans, sans-serif' font-weight='bold' font-size='15' fill='white' text-anchor='middle'>NEW</text>
</svg>
SVG

cat > "$svgdir/set_tips.svg" <<'SVG'
<svg xmlns='http://www.w3.org/2000/svg' width='150' height='75' viewBox='0 0 150 75'>
  <path d='M 8 14 L 122 14 L 134 2 L 134 14 L 142 14 Q 148 14 148 20 L 148 67 Q 148 73 142 73 L 8 73 Q 2 73 2 67 L 2 20 Q 2 14 8 14 Z'
        fill='#fff8e1' stroke='#f0a030' stroke-width='2' stroke-linejoin='round'/>
  <text x='75' y='38' font-family='WenQuanYi Micro Hei, Noto Sans CJK SC, sans-serif' font-size='13' fill='#444444' text-anchor='middle'>点击右上角设置按钮</text>
  <text x='75' y='59' font-family='WenQuanYi Micro Hei, Noto Sans CJK SC, sans-serif' font-size='13' fill='#444444' text-anchor='middle'>可以修改基础数据</text>
</svg>
SVG

rsvg-convert -w 24 -h 24 "$svgdir/warehouse.svg" -o "$out/warehouse.png"
rsvg-convert -w 24 -h 24 "$svgdir/barGraph.svg" -o "$out/barGraph.png"
rsvg-convert -w 24 -h 24 "$svgdir/new.svg" -o "$out/new.png"
rsvg-convert -w 150 -h 75 "$svgdir/set_tips.svg" -o "$out/set_tips.png"
