#!/usr/bin/env bash
# The composition benchmark: two banks (100,000 records with small pictures;
# 10,000 records with about 1 GB of pictures), each composed over every keyword
# by the client's own code and scanned by a bare SQLite query, in one run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source scripts/wine-env.sh
out=build/bench
mkdir -p "$out/small" "$out/large"
cp build/win/bin/compose_bench.exe "$out/small/"
cp build/win/bin/compose_bench.exe "$out/large/"

run() {  # folder, then the bench's arguments
  local dir=$1
  shift
  (cd "$dir" && wine compose_bench.exe "$@" | tr -d '\r')
}

bench() {
  echo "== 100,000 records, pictures of about 600 bytes"
  [ -f "$out/small/填空题题库.db" ] || run "$out/small" make-bank "$(winepath -w "$out/small")" 100000 600
  run "$out/small" bare
  run "$out/small" compose
  echo "== 10,000 records, 3 pictures of about 34 KB each (about 1 GB)"
  [ -f "$out/large/填空题题库.db" ] || run "$out/large" make-bank "$(winepath -w "$out/large")" 10000 34000
  ls -l "$out/large/填空题题库.db" | awk '{printf "bank file: %.0f MB\n", $5 / 1048576}'
  run "$out/large" bare
  run "$out/large" compose
}
export -f run bench
export out
LANG=zh_CN.UTF-8 scripts/with-wine.sh bash -c bench
