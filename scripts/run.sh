#!/usr/bin/env bash
# Lays out the demo program folder, starts the demo update server on loopback
# (newer bank and program than the folder has, so both upgrade buttons show)
# and starts the program under Wine: on the display when there is one,
# otherwise under a virtual display, where it writes a screenshot of every page
# and of the upgrade page after a bank upgrade instead. The server is stopped
# when the program ends.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir="$root/build/run/program"
server="$root/build/run/server"
"$root/scripts/program-folder.sh" "$dir"
"$root/scripts/demo-server.sh" "$server"
export LANG=${TESSALY_LANG:-zh_CN.UTF-8}

if (exec 3<>/dev/tcp/127.0.0.1/8001) 2>/dev/null; then
  echo "run: something already listens on 127.0.0.1:8001, where the demo update server goes" >&2
  exit 1
fi
"$root/server/serve.sh" "$server/www" --address 127.0.0.1 --state "$server/state" >"$server/serve.out" 2>&1 &
serve=$!
trap 'kill $serve 2>/dev/null; wait $serve 2>/dev/null' EXIT
for _ in $(seq 100); do (exec 3<>/dev/tcp/127.0.0.1/8001) 2>/dev/null && break; sleep 0.05; done
echo "run: the demo update server serves $server/www on 127.0.0.1:8001"

if [ -n "${DISPLAY:-}" ]; then
  source "$root/scripts/wine-env.sh"
  (cd "$dir" && wine tessaly.exe)
  exit 0
fi
mkdir -p "$root/build/run/screenshots"
TESSALY_CAPTURE_UPGRADE=1 "$root/scripts/with-wine.sh" "$root/scripts/capture-pages.sh" "$dir" \
  "$root/build/run/screenshots/run"
