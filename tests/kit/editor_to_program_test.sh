#!/usr/bin/env bash
# A question typed in the question editor is shown by the student's program:
# typed and exported through the editor's own controls (headless Chromium,
# tools/typesetter/type-in-editor.js), built into a bank by `banktool build
# --input`, and shown under Wine, where the question board's picture is the
# exported PNG byte for byte (its length and CRC-32 as the board reports
# them). Leaves a screenshot of the program in build/editor-to-program/.
# Prints PASS or FAIL lines; exit 1 when any failed.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bin="$root/build/win/bin"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
shots="$root/build/editor-to-program"
mkdir -p "$shots"

fail() {
  echo "FAIL: $*"
  exit 1
}

node "$root/tools/typesetter/type-in-editor.js" "$work/导出.zip" || fail "the editor did not export the typed question"
"$root/build/native/bin/banktool" build --input "$work/导出.zip" --out "$work/bank" --bank-version 2026.12.9 \
  >"$work/build.log" 2>&1 || { cat "$work/build.log"; fail "banktool build --input refused the editor's export"; }
mkdir -p "$work/program"
cp "$bin/tessaly.exe" "$bin/krnln.fnr" "$work/bank/填空题题库.db" "$work/bank/关键词.txt" "$work/bank/math.ini" \
  "$work/program/"
# The question picture the editor exported: its length and CRC-32.
expected=$(python3 - "$work/导出.zip" <<'PY'
import csv, io, sys, zipfile, zlib
z = zipfile.ZipFile(sys.argv[1])
rows = list(csv.reader(io.StringIO(z.read('题目表.csv').decode('utf-8-sig'))))
data = z.read('图片/' + rows[1][rows[0].index('题目')])
print('%d %08x' % (len(data), zlib.crc32(data)))
PY
) || fail "the export holds no question picture"

shown=$(LANG=zh_CN.UTF-8 "$root/scripts/with-wine.sh" bash -c '
  bin=$1 dir=$2 shot=$3
  (cd "$dir" && wine tessaly.exe) &
  wine "$bin/driver_cli.exe" wait 30 >/dev/null || exit 1
  sleep 0.5
  wine "$bin/driver_cli.exe" picture 0x1601001B
  import -window root -crop 805x606+50+50 +repage "$shot" 2>/dev/null
  wine "$bin/driver_cli.exe" close
  wait
' _ "$bin" "$work/program" "$shots/program.png") || fail "the program's window did not show"
[ "$shown" = "$expected" ] || fail "the question board shows a picture of $shown (length, CRC-32), the editor exported $expected"
echo "PASS: the program shows the question typed in the editor ($expected)"
