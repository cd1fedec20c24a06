#!/usr/bin/env bash
# `make banktool` (the bank tool and tessalyconfig) on a machine that has
# CMake and g++ but none of the Windows tool-chain: a copy of the sources (no build/, so nothing fetched) is built by
# scripts/banktool.sh with a PATH that holds every command of this machine
# except Wine, MinGW-w64, the X server, node and npm; the tool then builds the
# teacher kit's example bank and checks it.
#   tests/kit/banktool_alone_test.sh
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

bin="$work/bin"
mkdir -p "$bin"
for dir in /usr/local/sbin /usr/local/bin /usr/sbin /usr/bin /sbin /bin; do
  for command in "$dir"/*; do
    name=${command##*/}
    case "$name" in
      wine* | *mingw* | x86_64-w64-* | i686-w64-* | Xvfb | xvfb-run | node | nodejs | npm | npx) continue ;;
    esac
    [ -e "$bin/$name" ] || ln -s "$command" "$bin/$name"
  done
done

src="$work/源码 副本"
mkdir -p "$src"
(cd "$root" && git ls-files -z --cached --others --exclude-standard | xargs -0 cp --parents -t "$src" 2>/dev/null)
if ! env -i HOME="$HOME" PATH="$bin" "$src/scripts/banktool.sh" "$work/build" >"$work/build.log" 2>&1; then
  tail -30 "$work/build.log"
  echo "FAIL: scripts/banktool.sh failed with the Windows tool-chain off the PATH"
  exit 1
fi
tool="$work/build/bin/banktool"
if grep -v '^//' "$work/build/CMakeCache.txt" | grep -qiE 'wine|mingw|build/deps'; then
  echo "FAIL: the tool's build refers to the Windows tool-chain or fetched sources:"
  grep -v '^//' "$work/build/CMakeCache.txt" | grep -iE 'wine|mingw|build/deps' | head -5
  exit 1
fi

example="$work/示例 文件夹"
python3 "$root/scripts/teacher-kit-example.py" "$root/data/demo/rendered" "$example" || exit 1
if ! "$tool" build --pictures "$example/图片" --manifest "$example/题目表.csv" --keywords "$example/关键词列表.txt" \
  --out "$work/示例题库" --bank-version 2026.12.1 >"$work/run.log" 2>&1; then
  cat "$work/run.log"
  echo "FAIL: the tool built alone does not build the example bank"
  exit 1
fi
questions=$(grep -c . <(tail -n +2 "$example/题目表.csv"))
listed=$("$tool" check --bank "$work/示例题库/填空题题库.db" | grep -cE '^ *[0-9]+[[:space:]]')
if [ "$listed" != "$questions" ]; then
  "$tool" check --bank "$work/示例题库/填空题题库.db"
  echo "FAIL: the example bank lists $listed questions, its table has $questions"
  exit 1
fi
program="$root/build/win/bin/tessaly.exe"
if [ -f "$program" ] && ! "$work/build/bin/tessalyconfig" show "$program" | grep -q '^public-update-host='; then
  echo "FAIL: tessalyconfig built alone does not show the settings of $program"
  exit 1
fi
echo "PASS: built alone, the tools make the example bank of $questions questions and read a program's settings"
