#!/usr/bin/env bash
# Builds the demo question bank from data/demo (its pictures as the
# typesetter rendered them, scripts/render-demo-bank.sh): checks them, then
# the bank tool writes the bank, the keyword file, bank.zip and math.ini into
# build/demo/bank. math.ini's 主程序版本 is the program's version
# (TESSALY_VERSION, which the native build writes to tessaly-version.txt), so a
# program folder or release made from this bank offers no upgrade to the
# version it already has. Quick when nothing changed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/build/demo"
version_file="$root/build/native/tessaly-version.txt"
version=$(cat "$version_file") || { echo "demo-bank.sh: no $version_file: run make build" >&2; exit 1; }
rendered="$root/data/demo/rendered"
stamp="$out/bank/.built"
if [ ! -f "$stamp" ] || [ -n "$(find "$rendered" "$root/data/demo/keywords.txt" "$root/build/native/bin/banktool" \
                                  "$version_file" -newer "$stamp")" ]; then
  python3 "$root/scripts/check-demo-bank.py" "$rendered" >/dev/null
  rm -rf "$out/bank"
  mkdir -p "$out/bank"
  "$root/build/native/bin/banktool" build --pictures "$rendered/pictures" --manifest "$rendered/manifest.tsv" \
    --keywords "$root/data/demo/keywords.txt" --out "$out/bank" --bank-version "${TESSALY_DEMO_BANK_VERSION:-2026.12.1}"
  "$root/build/native/bin/banktool" set-version --ini "$out/bank/math.ini" --key 主程序版本 \
    --value "$version"
  touch "$stamp"
fi
