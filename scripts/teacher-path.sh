#!/usr/bin/env bash
# A teacher's whole path from pictures to a student's upgraded program, under
# Wine in a prefix of its own, from the archives of `make dist`: in the
# teacher kit, unpacked into a folder with Chinese characters and blanks,
# banktool.exe makes a signing key and builds the example bank, and
# tessalyconfig.exe gives the students' program the update server 127.0.0.5
# and the public key; banktool.exe publishes the bank, server/serve.sh serves
# it, and the student's program (from the students' archive) upgrades its
# bank. Prints every command and answer; screenshots of every page before and
# after, and of the upgrade, go to build/teacher-path/shots.
#   scripts/teacher-path.sh      (after make dist, e.g. make dist TESSALY_UNSIGNED_RELEASE=yes:
#                                 the program is given its key here)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
W="$root/build/teacher-path"
export TESSALY_WINEPREFIX="$W-wineprefix"
"$root/scripts/wine-prefix.sh"
source "$root/scripts/wine-env.sh"
rm -rf "$W"; mkdir -p "$W/shots"
version=$(cat "$root/build/native/tessaly-version.txt")
python3 "$root/scripts/check-teacher-kit.py" unpack "$root/build/dist/tessaly-teacher-kit-$version.zip" "$W/教师 资料" >/dev/null
python3 "$root/scripts/check-dist.py" unpack "$root/build/dist/tessaly-$version.zip" "$W/student" >/dev/null
kit="$W/教师 资料/tessaly-teacher-kit-$version"
student="$W/student/tessaly-$version"
mkdir -p "$kit/学生程序" "$W/srv"
cp "$student/tessaly.exe" "$kit/学生程序/"
"$root/scripts/with-wine.sh" bash -c "
set -e
W='$W' kit='$kit'
run() { echo \"> \$*\"; (cd \"\$kit\" && wine \"\$@\" >\"\$W/out.txt\" 2>&1) || { tr -d '\\r' <\"\$W/out.txt\"; exit 1; }; tr -d '\\r' <\"\$W/out.txt\"; }
run banktool.exe keygen --out 密钥
run banktool.exe build --pictures '示例\\图片' --manifest '示例\\题目表.csv' --keywords '示例\\关键词列表.txt' --out 示例题库 --bank-version 2026.12.9 --fit
run banktool.exe check --bank '示例题库\\填空题题库.db'
run tessalyconfig.exe set '学生程序\\tessaly.exe' --out '学校版\\tessaly.exe' --public-update-host 127.0.0.5 --lan-update-host '' --update-public-key '密钥\\update-public-key.txt'
run banktool.exe publish --server 'Z:$W/srv' --bank 示例题库 --bank-version 2026.12.9 --program-version $version --key '密钥\\update-signing-key.txt'
"
cp "$kit/学校版/tessaly.exe" "$student/tessaly.exe"
ls -R "$W/srv"
"$root/server/serve.sh" "$W/srv" --address 127.0.0.5 --state "$W/state" > "$W/serve.out" 2>&1 &
sleep 1
curl -s http://127.0.0.5:8001/%D6%F7%BB%FA%D4%CB%D0%D0%B1%EA%D6%BE.txt; echo " <- flag"
curl -s http://127.0.0.5:8001/zentra/math.ini | iconv -f GBK -t UTF-8
TESSALY_CAPTURE_UPGRADE=1 "$root/scripts/with-wine.sh" "$root/scripts/capture-pages.sh" "$student" "$W/shots/before"
"$root/scripts/with-wine.sh" "$root/scripts/capture-pages.sh" "$student" "$W/shots/after"
kill "$(cat "$W/state/nginx.pid")" 2>/dev/null || true
cat "$W/state/logs/access.log"
