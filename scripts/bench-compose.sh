#!/usr/bin/env bash
# The composition benchmark: two banks (100,000 records with small pictures;
# 10,000 records with about 1 GB of pictures), each composed over every keyword
# by the client's own code and scanned by a bare SQLite query, in one run. The
# first bank's figures are compared with their goals.
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

# The composition's time and peak memory beside the bare scan's, each with its
# goal (at most 1.5 times), from the two lines the bench printed.
compare() {
  awk '/^bare scan:/ { for (i = 1; i < NF; i++) { if ($i == "in") t0 = $(i + 1); if ($i == "memory") m0 = $(i + 1) } }
       /^compose:/   { for (i = 1; i < NF; i++) { if ($i == "in" && !t1) t1 = $(i + 1); if ($i == "memory") m1 = $(i + 1) } }
       END {
         rt = t1 / t0; rm = m1 / m0
         printf "composition %.3fx the bare scan'"'"'s time (goal: at most 1.5x) %s\n", rt, rt <= 1.5 ? "met" : "NOT MET"
         printf "composition %.3fx the bare scan'"'"'s peak memory (goal: at most 1.5x) %s\n", rm, rm <= 1.5 ? "met" : "NOT MET"
       }'
}

bench() {
  echo "== 100,000 records, pictures of about 600 bytes"
  [ -f "$out/small/填空题题库.db" ] || run "$out/small" make-bank "$(winepath -w "$out/small")" 100000 600
  { run "$out/small" bare; run "$out/small" compose; } | tee "$out/small/figures.txt"
  compare < "$out/small/figures.txt"
  echo "== 10,000 records, 3 pictures of about 34 KB each (about 1 GB)"
  [ -f "$out/large/填空题题库.db" ] || run "$out/large" make-bank "$(winepath -w "$out/large")" 10000 34000
  ls -l "$out/large/填空题题库.db" | awk '{printf "bank file: %.0f MB\n", $5 / 1048576}'
  run "$out/large" bare
  run "$out/large" compose
}
export -f run bench compare
export out
LANG=zh_CN.UTF-8 scripts/with-wine.sh bash -c bench
