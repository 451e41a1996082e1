#!/usr/bin/env bash
# Draws the capture window's source buttons (64 x 64): importtopic/webcam.png
# (扫描, the document camera), folder.png (导入图片), pdf.png (导入PDF),
# monitor.png (截屏) and mobile.png (手机上传). The SVG sources land in
# art/importtopic/, the PNGs in resources/importtopic/.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
svgdir="$here/importtopic"
out="$here/../importtopic"
mkdir -p "$svgdir" "$out"

cat > "$svgdir/webcam.svg" <<'SVG'
<svg xmlns='http://www.w3.org/2000/svg' width='64' height='64' viewBox='0 0 64 64'>
  <path d='M 14 56 L 50 56' stroke='#59626e' stroke-width='5' stroke-linecap='round'/>
  <path d='M 32 56 L 32 40' stroke='#59626e' stroke-width='4'/>
  <circle cx='32' cy='24' r='19' fill='#3b7dd8'/>
  <circle cx='32' cy='24' r='11' fill='#ffffff'/>
  <circle cx='32' cy='24' r='7' fill='#1d3f73'/>
  <circle cx='29' cy='21' r='2.5' fill='#ffffff'/>
  <circle cx='46' cy='11' r='3' fill='#e8554e'/>
</svg>
SVG

cat > "$svgdir/folder.svg" <<'SVG'
<svg xmlns='http://www.w3.org/2000/svg' width='64' height='64' viewBox='0 0 64 64'>
  <path d='M 5 14 Q 5 10 9 10 L 24 10 L 29 16 L 55 16 Q 59 16 59 20 L 59 50 Q 59 54 55 54 L 9 54 Q 5 54 5 50 Z' fill='#f0a030'/>
  <rect x='14' y='22' width='36' height='26' rx='2' fill='#ffffff' stroke='#c9c9c9' stroke-width='1'/>
  <path d='M 17 44 L 27 32 L 34 40 L 39 35 L 47 44 Z' fill='#2e9e4f'/>
  <circle cx='41' cy='28' r='3' fill='#e8554e'/>
  <path d='M 5 26 L 59 26 L 59 50 Q 59 54 55 54 L 9 54 Q 5 54 5 50 Z' fill='#f6bd4f' opacity='0.55'/>
</svg>
SVG

cat > "$svgdir/pdf.svg" <<'SVG'
<svg xmlns='http://www.w3.org/2000/svg' width='64' height='64' viewBox='0 0 64 64'>
  <path d='M 12 4 L 40 4 L 54 18 L 54 60 L 12 60 Z' fill='#ffffff' stroke='#8a8f96' stroke-width='2' stroke-linejoin='round'/>
  <path d='M 40 4 L 40 18 L 54 18' fill='#e3e6ea' stroke='#8a8f96' stroke-width='2' stroke-linejoin='round'/>
  <rect x='6' y='30' width='40' height='20' rx='3' fill='#d63b30'/>
  <text x='26' y='45' font-family='DejaVu Sans, sans-serif' font-weight='bold' font-size='14' fill='#ffffff' text-anchor='middle'>PDF</text>
</svg>
SVG

cat > "$svgdir/monitor.svg" <<'SVG'
<svg xmlns='http://www.w3.org/2000/svg' width='64' height='64' viewBox='0 0 64 64'>
  <rect x='4' y='8' width='56' height='38' rx='3' fill='#2f3640'/>
  <rect x='8' y='12' width='48' height='30' fill='#cfe3f7'/>
  <path d='M 26 46 L 24 56 L 40 56 L 38 46 Z' fill='#59626e'/>
  <path d='M 18 56 L 46 56' stroke='#59626e' stroke-width='4' stroke-linecap='round'/>
  <rect x='16' y='18' width='26' height='18' fill='none' stroke='#e8554e' stroke-width='2.5' stroke-dasharray='4 3'/>
  <path d='M 14 16 L 20 16 M 14 16 L 14 22 M 44 38 L 38 38 M 44 38 L 44 32' stroke='#e8554e' stroke-width='2.5'/>
</svg>
SVG

cat > "$svgdir/mobile.svg" <<'SVG'
<svg xmlns='http://www.w3.org/2000/svg' width='64' height='64' viewBox='0 0 64 64'>
  <rect x='16' y='3' width='32' height='58' rx='5' fill='#2f3640'/>
  <rect x='19' y='10' width='26' height='42' fill='#ffffff'/>
  <circle cx='32' cy='56' r='2.5' fill='#8a8f96'/>
  <path d='M 32 44 L 32 20 M 24 28 L 32 19 L 40 28' fill='none' stroke='#2e9e4f' stroke-width='4' stroke-linecap='round' stroke-linejoin='round'/>
</svg>
SVG

for name in webcam folder pdf monitor mobile; do
  rsvg-convert -w 64 -h 64 "$svgdir/$name.svg" -o "$out/$name.png"
done
