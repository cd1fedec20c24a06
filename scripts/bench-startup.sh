#!/usr/bin/env bash
# The start-up benchmark: the program in a folder with the demo bank and in
# one with a bank of 10,000 questions (the demo's questions over and over),
# each started through its launcher beside the minimal window program, in one
# run under Wine. STARTUP_ROUNDS starts of each (default 40).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source scripts/wine-env.sh
out=build/bench/startup
scripts/program-folder.sh "$out/demo"
scripts/program-folder.sh "$out/large"

# The large bank: the demo bank's questions over and over, numbered 1..10000,
# made again when the demo bank changed.
stamp="$out/large/.bank-built"
if [ ! -f "$stamp" ] || [ -n "$(find build/demo/bank/.built -newer "$stamp")" ]; then
  rm -f "$out/large/填空题题库.db"
  python3 - build/demo/bank/填空题题库.db "$out/large/填空题题库.db" <<'PY'
import sqlite3, sys
demo, large = sys.argv[1], sys.argv[2]
db = sqlite3.connect(large)
src = sqlite3.connect(demo)
for (sql,) in src.execute("SELECT sql FROM sqlite_master WHERE type = 'table'"):
    db.execute(sql)
for table in ("QuestionBank", "QuestionPictures"):
    rows = src.execute(f"SELECT * FROM {table} ORDER BY 1").fetchall()
    marks = ", ".join("?" * len(rows[0]))
    db.executemany(f"INSERT INTO {table} VALUES ({marks})",
                   ((n,) + tuple(rows[(n - 1) % len(rows)][1:]) for n in range(1, 10001)))
db.commit()
PY
  touch "$stamp"
fi
cp build/win/bin/minimal_window.exe "$out/"

# The Windows paths are asked of Wine inside the run, where its server and
# display are the ones the programs meet.
run() {
  wine build/win/bin/startup_bench.exe "${STARTUP_ROUNDS:-40}" "$(winepath -w "$out/minimal_window.exe")" \
    "demo bank=$(winepath -w "$out/demo")" "10,000 questions=$(winepath -w "$out/large")" 2>&1 | tr -d '\r'
}
export -f run
export out
LANG=zh_CN.UTF-8 timeout 600 scripts/with-wine.sh bash -c run
