#!/usr/bin/env bash
# Lays out the demo update server's folder: the demo bank and a main program
# published with newer versions than the demo program folder has, so that the
# program offers both upgrades. The program's is the built one's with its last
# number one higher (1.0.2 gives 1.0.3).
#   scripts/demo-server.sh DIR      (the folder to serve: DIR/www)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$1
"$root/scripts/demo-bank.sh"
version=$(cat "$root/build/native/tessaly-version.txt")
numbers=${version%%[-_]*}
case "$numbers" in
  *.*) newer="${numbers%.*}.$((10#${numbers##*.} + 1))" ;;
  *) newer=$((10#$numbers + 1)) ;;
esac
rm -rf "$dir/www"
mkdir -p "$dir/www"
# The main program for students to unpack by hand: the program in a zip archive.
python3 - "$root/build/win/bin" "$dir/zentra.rar" <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[2], "w", zipfile.ZIP_DEFLATED) as z:
    for name in ("tessaly.exe", "krnln.fnr"):
        z.write(sys.argv[1] + "/" + name, name)
PY
"$root/build/native/bin/banktool" publish --server "$dir/www" \
  --bank "$root/build/demo/bank" --bank-version "${TESSALY_DEMO_SERVER_BANK_VERSION:-2027.03.1}" \
  --program "$dir/zentra.rar" --program-version "${TESSALY_DEMO_SERVER_PROGRAM_VERSION:-$newer}" >/dev/null
# A notice below the versions, which students see on the 关于本软件 page.
printf '\r\n[公告]\r\n这是演示用的升级服务器：题库和主程序都有新版本。\r\n' | iconv -f UTF-8 -t GBK >> "$dir/www/zentra/math.ini"
