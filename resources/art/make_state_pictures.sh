#!/usr/bin/env bash
# Draws the sixteen mastery pictures of the question list, state/<style>-<n>.png:
# style 0 text, 1 red crosses, 2 digits, 3 red stars; n 0, 1, 2 a question got
# wrong once, twice, three times or more, n 3 a mastered one.
# The SVG sources land in art/state/, the PNGs in state/ (72 x 24 pixels).
# Needs rsvg-convert (librsvg2-bin) and a CJK font for the text style.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
svgdir="$here/state"
pngdir="$here/../state"
mkdir -p "$svgdir" "$pngdir"

W=72; H=24
RED=("#e8554e" "#d63b33" "#b52a24")
GREEN="#2e9e4f"

head_svg() { echo "<svg xmlns='http://www.w3.org/2000/svg' width='$W' height='$H' viewBox='0 0 $W $H'>"; }

tick() {   # a green tick centred at x
  local x=$1
  echo "<circle cx='$x' cy='12' r='10' fill='$GREEN'/>"
  echo "<path d='M $((x-5)) 12 L $((x-1)) 16 L $((x+6)) 7' fill='none' stroke='white' stroke-width='2.6' stroke-linecap='round' stroke-linejoin='round'/>"
}
cross() {  # a red cross centred at x
  local x=$1 c=$2
  echo "<path d='M $((x-6)) 6 L $((x+6)) 18 M $((x+6)) 6 L $((x-6)) 18' stroke='$c' stroke-width='3.2' stroke-linecap='round'/>"
}
star() {   # a five-pointed star of outer radius 9 centred at x
  local x=$1 c=$2
  local pts
  pts=$(awk -v cx="$x" 'BEGIN{pi=atan2(0,-1); s="";
    for(i=0;i<10;i++){r=(i%2==0)?9.5:4.0; a=-pi/2+i*pi/5; s=s sprintf("%.2f,%.2f ", cx+r*cos(a), 12.6+r*sin(a))} print s}')
  echo "<polygon points='$pts' fill='$c' stroke='$c' stroke-width='0.8' stroke-linejoin='round'/>"
}

for style in 0 1 2 3; do
  for n in 0 1 2 3; do
    f="$svgdir/$style-$n.svg"
    {
      head_svg
      case $style in
      0)
        texts=("初次出错" "重复出错" "多次出错" "已掌握")
        if [ $n -eq 3 ]; then c=$GREEN; else c=${RED[$n]}; fi
        echo "<rect x='1' y='2' width='70' height='20' rx='10' ry='10' fill='$c'/>"
        echo "<text x='36' y='16.5' font-family='WenQuanYi Micro Hei, Noto Sans CJK SC, sans-serif' font-size='12' fill='white' text-anchor='middle'>${texts[$n]}</text>"
        ;;
      1)
        if [ $n -eq 3 ]; then tick 12; else
          for ((i = 0; i <= n; i++)); do cross $((12 + i * 24)) "${RED[$n]}"; done
        fi
        ;;
      2)
        if [ $n -eq 3 ]; then tick 12; else
          echo "<circle cx='12' cy='12' r='10' fill='${RED[$n]}'/>"
          echo "<text x='12' y='16.6' font-family='DejaVu Sans, sans-serif' font-weight='bold' font-size='13' fill='white' text-anchor='middle'>$((n + 1))</text>"
        fi
        ;;
      3)
        if [ $n -eq 3 ]; then tick 12; else
          for ((i = 0; i <= n; i++)); do star $((12 + i * 24)) "${RED[$n]}"; done
        fi
        ;;
      esac
      echo "</svg>"
    } > "$f"
    rsvg-convert -w $W -h $H "$f" -o "$pngdir/$style-$n.png"
  done
done
