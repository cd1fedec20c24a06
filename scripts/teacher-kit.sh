#!/usr/bin/env bash
# Makes the teachers' archive: build/dist/tessaly-teacher-kit-VERSION.zip with
# one folder tessaly-teacher-kit-VERSION holding
#   banktool.exe      the bank tool for Windows (static: no DLL of its own)
#   tessalyconfig.exe gives a built tessaly.exe a school's settings (static)
#   教师说明.txt      the guide (data/teacher-kit/教师说明.txt in GBK with
#                     CR LF line ends, for Notepad)
#   题库编辑器.html   the question editor, opened by double-click, with its
#   题库编辑器文件/   script, font and licences (build/editor, made by
#                     scripts/typesetter.sh)
#   示例/             an example to build a first bank from: 示例题库.zip, the
#                     question editor's file of it (tools/typesetter/
#                     kit-example.js), and the same as 题目表.csv, 图片/,
#                     关键词列表.txt (scripts/teacher-kit-example.py)
#   server/           the update server kit for the school's Linux machine
# Member names are stored as UTF-8 with the archive's UTF-8 flag. Prints the
# archive's path as its last line. Expects `make build` and `make typesetter`
# done.
#   scripts/teacher-kit.sh [OUTPUT FOLDER, default build/dist]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/build/dist}
version=$(cat "$root/build/native/tessaly-version.txt")
top="tessaly-teacher-kit-$version"
zip="$out/$top.zip"
stage="$out/kit-stage"
rm -rf "$stage"
mkdir -p "$stage/$top/server"

cp "$root/build/win/bin/banktool.exe" "$root/build/win/bin/tessalyconfig.exe" "$stage/$top/"
[ -f "$root/build/editor/题库编辑器.html" ] || { echo "teacher-kit.sh: no build/editor: run make typesetter" >&2; exit 1; }
cp -R "$root/build/editor/." "$stage/$top/"
tr -d '\r' <"$root/data/teacher-kit/教师说明.txt" | sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' |
  iconv -f UTF-8 -t GBK >"$stage/$top/教师说明.txt"
python3 "$root/scripts/teacher-kit-example.py" "$root/data/demo/rendered" "$stage/$top/示例"
node "$root/tools/typesetter/kit-example.js" "$stage/$top/示例/示例题库.zip"
cp "$root/server/serve.sh" "$root/server/nginx.conf.in" "$root/server/tessaly-updates.conf" \
  "$root/server/tessaly-updates.service" "$stage/$top/server/"

python3 "$root/scripts/dist-zip.py" "$stage" "$top" "$zip" --tree
rm -rf "$stage"
echo "teacher-kit.sh: wrote $zip, $(stat -c %s "$zip") bytes" >&2
echo "$zip"
