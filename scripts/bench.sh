#!/usr/bin/env bash
# The HTTP client's benchmarks: starts the test servers, times curl on the
# 50 MiB file for scale, then runs the Windows benchmark program under Wine.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
dir="$root/build/http-servers"
trap 'scripts/test-servers.sh stop http "$dir"' EXIT
scripts/test-servers.sh start http "$dir" || exit 1

best=
for _ in 1 2 3; do
  t=$(curl -s -o /dev/null -w '%{time_total}' http://127.0.0.1:8001/zentra/big.bin)
  best=$(printf '%s\n%s\n' "${best:-$t}" "$t" | sort -g | head -1)
done
echo "curl -o /dev/null on the same 50 MiB (best of 3): ${best} s"
LANG=zh_CN.UTF-8 scripts/with-wine.sh wine build/win/bin/http_bench.exe 2>&1 | tr -d '\r'
