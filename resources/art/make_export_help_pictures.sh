#!/usr/bin/env bash
# Draws the pictures of the export help page (html/word_export.html):
# help/office.jpg and help/wps.jpg (200 x 100, a document of each office
# program with its lowest version) and help/word_error.jpg (300 x 138, the
# kind of message an old office program shows for a newer document).
# The SVG sources land in art/help/; the JPEGs (rsvg-convert, then
# ImageMagick's convert) in resources/help/.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
svgdir="$here/help"
out="$here/../help"
mkdir -p "$svgdir" "$out"
font="WenQuanYi Micro Hei, Noto Sans CJK SC, sans-serif"

document_icon() {  # colour, letter, label
cat <<SVG
<svg xmlns='http://www.w3.org/2000/svg' width='200' height='100' viewBox='0 0 200 100'>
  <rect width='200' height='100' fill='#ffffff'/>
  <path d='M 24 10 L 64 10 L 80 26 L 80 90 L 24 90 Z' fill='#f4f6f9' stroke='#9aa5b1' stroke-width='2'/>
  <path d='M 64 10 L 64 26 L 80 26' fill='none' stroke='#9aa5b1' stroke-width='2'/>
  <rect x='12' y='36' width='44' height='40' rx='4' fill='$1'/>
  <text x='34' y='67' font-family='DejaVu Sans, sans-serif' font-weight='bold' font-size='28' fill='white' text-anchor='middle'>$2</text>
  <path d='M 62 44 L 74 44 M 62 54 L 74 54 M 62 64 L 74 64' stroke='#9aa5b1' stroke-width='3'/>
  <text x='140' y='48' font-family='$font' font-weight='bold' font-size='17' fill='#333333' text-anchor='middle'>$3</text>
  <text x='140' y='72' font-family='$font' font-size='14' fill='#2e9e4f' text-anchor='middle'>2010 及以上</text>
</svg>
SVG
}

document_icon '#2b5797' 'W' 'Office' > "$svgdir/office.svg"
document_icon '#d9402b' 'W' 'WPS' > "$svgdir/wps.svg"

cat > "$svgdir/word_error.svg" <<SVG
<svg xmlns='http://www.w3.org/2000/svg' width='300' height='138' viewBox='0 0 300 138'>
  <rect width='300' height='138' fill='#e9edf2'/>
  <rect x='10' y='10' width='280' height='118' rx='4' fill='#ffffff' stroke='#8a96a3' stroke-width='1.5'/>
  <rect x='10' y='10' width='280' height='24' rx='4' fill='#2b5797'/>
  <rect x='10' y='26' width='280' height='8' fill='#2b5797'/>
  <text x='20' y='27' font-family='$font' font-size='12' fill='white'>文档</text>
  <circle cx='40' cy='66' r='15' fill='#d9402b'/>
  <path d='M 33 59 L 47 73 M 47 59 L 33 73' stroke='white' stroke-width='4' stroke-linecap='round'/>
  <text x='66' y='60' font-family='$font' font-size='13' fill='#333333'>无法打开文件，</text>
  <text x='66' y='80' font-family='$font' font-size='13' fill='#333333'>因为内容有错误。</text>
  <rect x='206' y='96' width='70' height='22' rx='3' fill='#f4f6f9' stroke='#8a96a3'/>
  <text x='241' y='112' font-family='$font' font-size='12' fill='#333333' text-anchor='middle'>确定</text>
</svg>
SVG

for name in office wps; do
  rsvg-convert -w 200 -h 100 "$svgdir/$name.svg" -o "$svgdir/$name.png"
done
rsvg-convert -w 300 -h 138 "$svgdir/word_error.svg" -o "$svgdir/word_error.png"
for name in office wps word_error; do
  convert "$svgdir/$name.png" -background white -flatten -quality 92 "$out/$name.jpg"
  rm "$svgdir/$name.png"
done
