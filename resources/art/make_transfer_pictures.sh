#!/usr/bin/env bash
# Draws the phone transfer's pictures: the fetched-file mark eye.png (32 x 32)
# and the three pictures of the help page "使用帮助": help/network.jpg (the
# phone and the computer on one network, 800 x 420), help/upload.jpg and
# help/download.jpg (the phone's upload and download pages, 600 x 760).
# The SVG sources land in art/transfer/, the pictures in resources/. Needs
# rsvg-convert (librsvg2-bin) and, for the JPEG files, ImageMagick's convert
# (the real one in /usr/bin).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
svgdir="$here/transfer"
out="$here/.."
mkdir -p "$svgdir" "$out/help"
font="WenQuanYi Micro Hei, Noto Sans CJK SC, sans-serif"

cat > "$svgdir/eye.svg" <<SVG
<svg xmlns='http://www.w3.org/2000/svg' width='32' height='32' viewBox='0 0 32 32'>
  <path d='M 2 16 Q 16 2 30 16 Q 16 30 2 16 Z' fill='#ffffff' stroke='#2e9e4f' stroke-width='2.5' stroke-linejoin='round'/>
  <circle cx='16' cy='16' r='6' fill='#2e9e4f'/>
  <circle cx='18' cy='14' r='2' fill='#ffffff'/>
</svg>
SVG

# A phone outline 170 x 300 at (x, y) with a screen, used by the pictures below.
phone() {
  local x=$1 y=$2
  cat <<SVG
  <rect x='$x' y='$y' width='170' height='300' rx='22' fill='#2f3640'/>
  <rect x='$((x + 10))' y='$((y + 30))' width='150' height='240' rx='4' fill='#ffffff'/>
  <rect x='$((x + 65))' y='$((y + 12))' width='40' height='6' rx='3' fill='#59626e'/>
  <circle cx='$((x + 85))' cy='$((y + 285))' r='8' fill='#59626e'/>
SVG
}

cat > "$svgdir/network.svg" <<SVG
<svg xmlns='http://www.w3.org/2000/svg' width='800' height='420' viewBox='0 0 800 420'>
  <rect width='800' height='420' fill='#f4f7fb'/>
  <text x='400' y='44' font-family='$font' font-size='26' fill='#333' text-anchor='middle'>手机和电脑连接同一个无线网络</text>
  <!-- the router -->
  <rect x='330' y='150' width='140' height='60' rx='10' fill='#4a7fb5'/>
  <line x1='360' y1='150' x2='345' y2='100' stroke='#4a7fb5' stroke-width='6' stroke-linecap='round'/>
  <line x1='440' y1='150' x2='455' y2='100' stroke='#4a7fb5' stroke-width='6' stroke-linecap='round'/>
  <circle cx='370' cy='180' r='6' fill='#9be39b'/>
  <circle cx='395' cy='180' r='6' fill='#9be39b'/>
  <circle cx='420' cy='180' r='6' fill='#9be39b'/>
  <text x='400' y='240' font-family='$font' font-size='20' fill='#333' text-anchor='middle'>无线路由器 / 热点</text>
  <!-- waves -->
  <path d='M 300 160 Q 270 180 300 200' fill='none' stroke='#f0a030' stroke-width='5' stroke-linecap='round'/>
  <path d='M 280 145 Q 240 180 280 215' fill='none' stroke='#f0a030' stroke-width='5' stroke-linecap='round'/>
  <path d='M 500 160 Q 530 180 500 200' fill='none' stroke='#f0a030' stroke-width='5' stroke-linecap='round'/>
  <path d='M 520 145 Q 560 180 520 215' fill='none' stroke='#f0a030' stroke-width='5' stroke-linecap='round'/>
  <!-- the computer -->
  <rect x='40' y='110' width='200' height='130' rx='8' fill='#2f3640'/>
  <rect x='52' y='122' width='176' height='106' fill='#dce9f7'/>
  <rect x='20' y='240' width='240' height='18' rx='6' fill='#59626e'/>
  <text x='140' y='300' font-family='$font' font-size='20' fill='#333' text-anchor='middle'>电脑（错题本）</text>
  <!-- the phone -->
  <rect x='610' y='90' width='100' height='180' rx='14' fill='#2f3640'/>
  <rect x='618' y='108' width='84' height='140' fill='#dce9f7'/>
  <text x='660' y='300' font-family='$font' font-size='20' fill='#333' text-anchor='middle'>手机</text>
  <text x='400' y='370' font-family='$font' font-size='20' fill='#555' text-anchor='middle'>同一个路由器、笔记本电脑的热点或随身 WiFi 都可以</text>
</svg>
SVG

cat > "$svgdir/upload.svg" <<SVG
<svg xmlns='http://www.w3.org/2000/svg' width='600' height='760' viewBox='0 0 600 760'>
  <rect width='600' height='760' fill='#f4f7fb'/>
  <text x='300' y='50' font-family='$font' font-size='26' fill='#333' text-anchor='middle'>手机上传：扫码后选择图片，点击开始上传</text>
  <g transform='translate(215 90) scale(1)'>
$(phone 0 0)
    <rect x='10' y='30' width='150' height='36' fill='#4a7fb5'/>
    <text x='20' y='54' font-family='$font' font-size='15' fill='#fff'>手机上传</text>
    <rect x='22' y='78' width='126' height='60' rx='8' fill='#fff' stroke='#9db7d3' stroke-width='2' stroke-dasharray='6 4'/>
    <text x='85' y='114' font-family='$font' font-size='14' fill='#4a7fb5' text-anchor='middle'>＋ 选择图片</text>
    <rect x='22' y='150' width='126' height='20' rx='4' fill='#fff' stroke='#dde3ea'/>
    <text x='30' y='165' font-family='$font' font-size='11' fill='#333'>1.jpg  ✓ 已上传</text>
    <rect x='22' y='174' width='126' height='20' rx='4' fill='#fff' stroke='#dde3ea'/>
    <text x='30' y='189' font-family='$font' font-size='11' fill='#333'>2.jpg  ✓ 已上传</text>
    <rect x='22' y='204' width='126' height='30' rx='6' fill='#2e9e4f'/>
    <text x='85' y='224' font-family='$font' font-size='14' fill='#fff' text-anchor='middle'>开始上传</text>
    <rect x='22' y='244' width='126' height='6' rx='3' fill='#4a7fb5'/>
  </g>
  <text x='300' y='450' font-family='$font' font-size='22' fill='#333' text-anchor='middle'>图片传到电脑后出现在“手机上传”窗口中，</text>
  <text x='300' y='485' font-family='$font' font-size='22' fill='#333' text-anchor='middle'>点击“导入图片”即可开始截取错题。</text>
  <rect x='110' y='520' width='380' height='190' rx='8' fill='#ffffff' stroke='#b8c6d4' stroke-width='2'/>
  <rect x='110' y='520' width='380' height='30' rx='8' fill='#4a7fb5'/>
  <text x='125' y='541' font-family='$font' font-size='16' fill='#fff'>手机上传</text>
  <rect x='130' y='565' width='90' height='90' fill='#dce9f7' stroke='#ccc'/>
  <rect x='235' y='565' width='90' height='90' fill='#dce9f7' stroke='#ccc'/>
  <rect x='390' y='670' width='84' height='28' rx='4' fill='#e8eef5' stroke='#b8c6d4'/>
  <text x='432' y='689' font-family='$font' font-size='14' fill='#333' text-anchor='middle'>导入图片</text>
</svg>
SVG

cat > "$svgdir/download.svg" <<SVG
<svg xmlns='http://www.w3.org/2000/svg' width='600' height='760' viewBox='0 0 600 760'>
  <rect width='600' height='760' fill='#f4f7fb'/>
  <text x='300' y='50' font-family='$font' font-size='26' fill='#333' text-anchor='middle'>手机下载：扫码后点击文件名即可下载</text>
  <g transform='translate(215 90)'>
$(phone 0 0)
    <rect x='20' y='44' width='130' height='200' rx='8' fill='#fff' stroke='#d3d3d3' stroke-width='2'/>
    <text x='30' y='68' font-family='$font' font-size='12' fill='#333'>共有3个文件</text>
    <line x1='30' y1='80' x2='140' y2='80' stroke='#d3d3d3'/>
    <text x='30' y='100' font-family='$font' font-size='13' font-weight='bold' fill='#111'>数学错题</text>
    <line x1='30' y1='112' x2='140' y2='112' stroke='#d3d3d3'/>
    <text x='30' y='132' font-family='$font' font-size='13' font-weight='bold' fill='#111'>数学答案</text>
    <line x1='30' y1='144' x2='140' y2='144' stroke='#d3d3d3'/>
    <text x='30' y='164' font-family='$font' font-size='13' font-weight='bold' fill='#111'>英语错题</text>
  </g>
  <text x='300' y='450' font-family='$font' font-size='22' fill='#333' text-anchor='middle'>已下载的文件在电脑的“文件下载”窗口中</text>
  <text x='300' y='485' font-family='$font' font-size='22' fill='#333' text-anchor='middle'>标上一只眼睛，下载完点击“完成”。</text>
  <rect x='110' y='520' width='380' height='190' rx='8' fill='#ffffff' stroke='#b8c6d4' stroke-width='2'/>
  <rect x='110' y='520' width='380' height='30' rx='8' fill='#4a7fb5'/>
  <text x='125' y='541' font-family='$font' font-size='16' fill='#fff'>文件下载</text>
  <text x='160' y='585' font-family='$font' font-size='16' fill='#333'>数学错题</text>
  <path d='M 130 580 Q 140 570 150 580 Q 140 590 130 580 Z' fill='#fff' stroke='#2e9e4f' stroke-width='2'/>
  <circle cx='140' cy='580' r='3' fill='#2e9e4f'/>
  <text x='160' y='615' font-family='$font' font-size='16' fill='#333'>数学答案</text>
  <text x='160' y='645' font-family='$font' font-size='16' fill='#333'>英语错题</text>
  <rect x='390' y='670' width='84' height='28' rx='4' fill='#e8eef5' stroke='#b8c6d4'/>
  <text x='432' y='689' font-family='$font' font-size='14' fill='#333' text-anchor='middle'>完成</text>
</svg>
SVG

convert_bin=/usr/bin/convert
rsvg-convert -o "$out/eye.png" "$svgdir/eye.svg"
for name in network upload download; do
  rsvg-convert -o "$svgdir/$name.png" "$svgdir/$name.svg"
  "$convert_bin" "$svgdir/$name.png" -quality 90 "$out/help/$name.jpg"
  rm -f "$svgdir/$name.png"
done
