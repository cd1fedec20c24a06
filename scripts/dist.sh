#!/usr/bin/env bash
# Makes the archive a student gets: build/dist/tessaly-VERSION.zip with one
# folder tessaly-VERSION holding the program (tessaly.exe, krnln.fnr), the demo
# question bank with its keyword file and math.ini, and the read-me 说明.txt
# (data/dist/说明.txt in GBK with CR LF line ends, for Notepad on a Chinese
# Windows). VERSION is 主程序版本 of section 版本信息 in the bank's math.ini,
# which scripts/demo-bank.sh sets to the program's version (TESSALY_VERSION).
# Member names are stored as UTF-8 with the archive's UTF-8 flag. The folder
# name is kept ASCII: the launcher finds krnln.fnr through the ANSI form of its
# own path, which loses Chinese characters under a non-Chinese code page.
# Prints the archive's path as its last line. Expects `make build` done.
#   scripts/dist.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/build/dist"
bank="$root/build/demo/bank"

# The program image (build/native) carries the caption, the Windows build the
# version resources: both must have been built with the same version.
native_version=$(cat "$root/build/native/tessaly-version.txt")
win_version=$(cat "$root/build/win/tessaly-version.txt")
if [ "$native_version" != "$win_version" ]; then
  echo "dist.sh: build/native has version $native_version, build/win $win_version;" \
    "build both with one, e.g. make dist TESSALY_VERSION=$native_version" >&2
  exit 1
fi
"$root/scripts/demo-bank.sh" >&2

version=$(python3 - "$bank/math.ini" <<'EOF'
import re, sys
text = open(sys.argv[1], 'rb').read().decode('gbk')
section, version = None, None
for line in text.splitlines():
    line = line.strip()
    if line.startswith('[') and line.endswith(']'):
        section = line[1:-1].strip()
    elif section == '版本信息' and '=' in line and version is None:
        key, value = line.split('=', 1)
        if key.strip() == '主程序版本':
            version = value.strip()
if not version:
    sys.exit(f'{sys.argv[1]}: no 主程序版本 in section 版本信息')
# The version names the archive and its folder.
if not re.fullmatch(r'[0-9A-Za-z][0-9A-Za-z._-]{0,31}', version):
    sys.exit(f'{sys.argv[1]}: 主程序版本 "{version}" is not usable in a file name')
print(version)
EOF
)

top="tessaly-$version"
zip="$out/$top.zip"
stage="$out/stage"
rm -rf "$stage"
mkdir -p "$stage/$top"
"$root/scripts/program-folder.sh" "$stage/$top" >&2
# Line ends are made CR LF whatever the source has; iconv fails on any
# character GBK lacks, and then so does this script.
tr -d '\r' <"$root/data/dist/说明.txt" | sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' |
  iconv -f UTF-8 -t GBK >"$stage/$top/说明.txt"

python3 - "$stage" "$top" "$zip" <<'EOF'
import os, sys, zipfile
stage, top, target = sys.argv[1:]
members = ['tessaly.exe', 'krnln.fnr', '填空题题库.db', '关键词.txt', 'math.ini', '说明.txt']
folder = os.path.join(stage, top)
present = sorted(os.listdir(folder))
if present != sorted(members):
    sys.exit(f'dist: the staged folder holds {present}, expected {sorted(members)}')
for name in members:
    if os.path.getsize(os.path.join(folder, name)) == 0:
        sys.exit(f'dist: {name} is empty')
# Written beside the target and renamed into place, so that a failed run
# never leaves a partial archive under the final name.
partial = target + '.partial'
with zipfile.ZipFile(partial, 'w', zipfile.ZIP_DEFLATED, compresslevel=9) as archive:
    archive.write(folder, top + '/')
    for name in members:
        archive.write(os.path.join(folder, name), f'{top}/{name}')
with zipfile.ZipFile(partial) as archive:
    bad = archive.testzip()
    if bad is not None:
        sys.exit(f'dist: {bad} does not read back whole')
os.replace(partial, target)
EOF
rm -rf "$stage"
# The default build asks update servers on loopback, which only suits tests
# and the demo; a build for students names the school's servers.
for setting in TESSALY_PUBLIC_UPDATE_HOST TESSALY_LAN_UPDATE_HOST; do
  host=$(sed -nE "s/^$setting:[A-Z]+=(.*)/\1/p" "$root/build/win/CMakeCache.txt" 2>/dev/null)
  case "$host" in
    127.* | localhost | '') echo "dist.sh: note: the program asks its update server at ${host:-an unknown host}" \
      "($setting); set it to the school's server for a build students get (README, Build-time settings)" >&2 ;;
  esac
done
echo "dist.sh: wrote $zip, $(stat -c %s "$zip") bytes" >&2
echo "$zip"
