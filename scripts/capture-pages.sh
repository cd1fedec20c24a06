#!/usr/bin/env bash
# Starts the program in a folder on the current (virtual) display, photographs
# every tab page and closes it. Runs inside scripts/with-wine.sh. With
# TESSALY_CAPTURE_UPGRADE=1 it also presses the bank upgrade button and
# photographs the upgrade page once the upgrade has ended.
#   scripts/capture-pages.sh PROGRAM_DIR OUTPUT_PREFIX
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$1
prefix=$2
bin="$root/build/win/bin"
# The feedback page opens the system's browser; here a stand-in records it.
wine reg add 'HKCR\http\shell\open\command' /ve /d "\"$(winepath -w "$bin/url_recorder.exe")\" \"%1\"" /f >/dev/null 2>&1
(cd "$dir" && wine tessaly.exe) &
program=$!
if ! wine "$bin/driver_cli.exe" wait 30; then
  echo "capture-pages: the main window did not appear" >&2
  exit 1
fi
for page in 0 1 2 3 4; do
  wine "$bin/driver_cli.exe" page $page
  sleep 0.7
  # The window sits at its stored place (50, 50), 805 x 606.
  import -window root -crop 805x606+50+50 +repage "$prefix-page$page.png"
done
if [ "${TESSALY_CAPTURE_UPGRADE:-0}" = 1 ]; then
  wine "$bin/driver_cli.exe" page 3
  wine "$bin/driver_cli.exe" click 0x160100F9  # 升级题库按钮
  # Done when the log's last line says so (or says why not).
  for _ in $(seq 150); do
    log=$(wine "$bin/driver_cli.exe" text 0x160100FD)  # 升级过程
    case "$log" in *更新完成*|*原有题库保持不变*) break ;; esac
    sleep 0.2
  done
  sleep 0.5
  import -window root -crop 805x606+50+50 +repage "$prefix-page3-upgraded.png"
  echo "screenshot: $prefix-page3-upgraded.png"
fi
wine "$bin/driver_cli.exe" page 0
wine "$bin/driver_cli.exe" close
wait $program
echo "screenshots: $prefix-page0.png ... $prefix-page4.png"
