#!/usr/bin/env bash
# Every tab page under both locales (ANSI code pages 936 and 1252), so that a
# person can check that the window looks the same.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/build/screenshots"
rm -rf "$out"
mkdir -p "$out"
"$root/scripts/program-folder.sh" "$out/program"
for locale in zh_CN.UTF-8 en_US.UTF-8; do
  LANG=$locale "$root/scripts/with-wine.sh" "$root/scripts/capture-pages.sh" "$out/program" "$out/${locale%%.*}"
done
