#!/usr/bin/env bash
# Builds the demo question bank from its sources in data/demo: renders the
# pictures, then the bank tool writes the bank, the keyword file, bank.zip and
# math.ini into build/demo/bank. Quick when nothing changed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/build/demo"
"$root/scripts/render-demo-bank.sh" "$out/rendered" >/dev/null
stamp="$out/bank/.built"
if [ ! -f "$stamp" ] || [ -n "$(find "$out/rendered/manifest.tsv" "$root/build/native/bin/banktool" -newer "$stamp")" ]; then
  rm -rf "$out/bank"
  mkdir -p "$out/bank"
  "$root/build/native/bin/banktool" build --pictures "$out/rendered/pictures" --manifest "$out/rendered/manifest.tsv" \
    --keywords "$out/rendered/keywords.txt" --out "$out/bank" --bank-version "${TESSALY_DEMO_BANK_VERSION:-2026.12.1}"
  "$root/build/native/bin/banktool" set-version --ini "$out/bank/math.ini" --key 主程序版本 \
    --value "${TESSALY_DEMO_PROGRAM_VERSION:-1.0.2}"
  touch "$stamp"
fi
