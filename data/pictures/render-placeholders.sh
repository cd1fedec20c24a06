#!/usr/bin/env bash
# Renders the two placeholder pictures the answer page shows before an answer
# or the reference answer is loaded: complete 24-bit BMP files of 144 x 54 and
# 184 x 76 pixels. The results are committed beside this script.
set -euo pipefail
cd "$(dirname "$0")"
font=/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc
convert -size 144x54 xc:white -font $font -pointsize 34 -fill '#FFD400' -stroke '#B08000' -strokewidth 1.2 \
  -gravity center -annotate +0+0 '答题区' -type TrueColor BMP3:answer-placeholder.bmp
convert -size 184x76 xc:white -font $font -pointsize 40 -fill '#D8F0D8' -gravity center -annotate +3+3 '参考答案' \
  -fill '#1E8C2E' -annotate +0+0 '参考答案' -type TrueColor BMP3:reference-placeholder.bmp
