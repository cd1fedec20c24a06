#!/usr/bin/env bash
# Renders the demo question bank again from its source, after data/demo/
# questions.txt changed, into the pictures committed beside it:
#   scripts/render-demo-bank.sh
# The typesetter's page (scripts/typesetter.sh) sets every question, its
# reference answer and its solution in headless Chromium; data/demo/rendered/
# then holds pictures/, manifest.tsv (for the bank tool) and layout.json (the
# layout of each picture, which a test compares with a fresh rendering), and
# scripts/check-demo-bank.py checks the result. The pictures are committed so
# that building and running the program needs no browser.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/typesetter.sh"
node "$root/tools/typesetter/render-bank.js" "$root/data/demo/questions.txt" "$root/data/demo/rendered"
python3 "$root/scripts/check-demo-bank.py" "$root/data/demo/rendered"
