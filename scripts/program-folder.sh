#!/usr/bin/env bash
# Lays out a program folder a student would have: the program and the demo
# keyword file (GBK, CR LF).
#   scripts/program-folder.sh DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$1
mkdir -p "$dir"
cp "$root/build/win/bin/tessaly.exe" "$dir/"
sed 's/$/\r/' "$root/data/demo/keywords.txt" | iconv -f UTF-8 -t GBK > "$dir/关键词.txt"
