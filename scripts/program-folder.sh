#!/usr/bin/env bash
# Lays out a program folder a student would have: the program, the demo
# question bank, its keyword file and math.ini.
#   scripts/program-folder.sh DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$1
"$root/scripts/demo-bank.sh"
mkdir -p "$dir"
cp "$root/build/win/bin/tessaly.exe" "$root/build/win/bin/krnln.fnr" "$dir/"
cp "$root/build/demo/bank/填空题题库.db" "$root/build/demo/bank/关键词.txt" "$root/build/demo/bank/math.ini" "$dir/"
