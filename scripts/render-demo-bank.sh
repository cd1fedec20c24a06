#!/usr/bin/env bash
# Renders the demo question bank from its source text into pictures and a
# manifest for the bank tool.
#   scripts/render-demo-bank.sh OUTDIR
#
# Reads data/demo/questions.tsv (UTF-8, tab-separated, one question a row:
# 编号, 单元, 正答, 错答, 题目, 参考答案, 解答过程; the solution's lines are
# separated by the two characters \n) and data/demo/keywords.txt, and writes
#   OUTDIR/pictures/qNN-question.png  the question, 760 px wide, black
#   OUTDIR/pictures/qNN-answer.png    the reference answer, 270 × 56, dark blue
#   OUTDIR/pictures/qNN-solution.png  the worked solution, 770 px wide
#   OUTDIR/manifest.tsv               题目 参考答案 解答过程 单元 正答 错答
#   OUTDIR/keywords.txt               a copy of the keyword list
# then runs scripts/check-demo-bank.py on OUTDIR.
#
# The text is set by a small typesetter (scripts/typeset-demo-bank.py) and
# drawn by ImageMagick from MVG files with the font WenQuanYi Zen Hei. The
# font has no glyphs for most Unicode sub- and superscripts (ₙ, ₅, ⁻ …), so
# the typesetter draws every sub- or superscript character as its base
# character, smaller and shifted; it also draws a blank (＿＿＿＿) as one
# unbroken line and shows ∅ as Ø and − as -. Any other character the font
# cannot draw stops the run with the row and column named. Text is never
# passed to ImageMagick as a file name or an "@file" argument, so its
# security policy does not get in the way.
#
# Deterministic (no dates in the PNG files) and idempotent; a second run with
# unchanged sources only re-checks the output.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -ne 1 ] || [ -z "$1" ]; then
  echo "usage: $0 OUTDIR" >&2
  exit 2
fi
out=$1
src="$root/data/demo/questions.tsv"
keywords="$root/data/demo/keywords.txt"
font=/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc
typeset="$root/scripts/typeset-demo-bank.py"
check="$root/scripts/check-demo-bank.py"

for tool in python3 convert; do
  command -v "$tool" >/dev/null || { echo "render-demo-bank: $tool is missing" >&2; exit 1; }
done
for f in "$src" "$keywords" "$font" "$typeset" "$check"; do
  [ -r "$f" ] || { echo "render-demo-bank: cannot read $f" >&2; exit 1; }
done

mkdir -p "$out"
out=$(cd "$out" && pwd)
stamp=$(cat "$src" "$keywords" "$0" "$typeset" | sha256sum | cut -d' ' -f1)
if [ -f "$out/.render-stamp" ] && [ "$(cat "$out/.render-stamp")" = "$stamp" ] \
   && [ -f "$out/manifest.tsv" ] && [ -d "$out/pictures" ]; then
  python3 "$check" "$out" "$keywords"
  exit 0
fi

work=$(mktemp -d "$out/.render.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/mvg" "$work/pictures"

# Typesetting: validates every row, writes one MVG drawing per picture and the
# manifest. Fails with the line, the question and the column named.
python3 "$typeset" "$src" "$keywords" "$font" "$work"

# Drawing: one ImageMagick run per picture, one thread each, on every core.
# 16 colours (no dithering, which is slow and speckles text) in an 8-bit
# palette keep the pictures small; no dates, so reruns are identical.
export work MAGICK_THREAD_LIMIT=1
# shellcheck disable=SC2016 # $work is expanded by the inner shell
find "$work/mvg" -name '*.mvg' -printf '%f\n' | sed 's/\.mvg$//' | sort \
  | xargs -P "$(nproc)" -I{} sh -c \
      'convert "mvg:$work/mvg/{}.mvg" +dither -colors 16 -strip \
         -define png:exclude-chunks=date,time "PNG8:$work/pictures/{}.png"'

rm -rf "$out/pictures" "$out/.render-stamp"
mv "$work/pictures" "$out/pictures"
mv "$work/manifest.tsv" "$out/manifest.tsv"
cp "$keywords" "$out/keywords.txt"
python3 "$check" "$out" "$keywords"
echo "$stamp" > "$out/.render-stamp"
