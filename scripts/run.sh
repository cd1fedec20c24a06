#!/usr/bin/env bash
# Lays out the demo program folder and starts the program under Wine: on the
# display when there is one, otherwise under a virtual display, where it
# writes a screenshot of every page instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir="$root/build/run/program"
"$root/scripts/program-folder.sh" "$dir"
export LANG=${TESSALY_LANG:-zh_CN.UTF-8}
if [ -n "${DISPLAY:-}" ]; then
  source "$root/scripts/wine-env.sh"
  cd "$dir" && exec wine tessaly.exe
fi
mkdir -p "$root/build/run/screenshots"
"$root/scripts/with-wine.sh" "$root/scripts/capture-pages.sh" "$dir" "$root/build/run/screenshots/run"
