#!/usr/bin/env bash
# Starts the program in a folder on the current (virtual) display, photographs
# every tab page and closes it. Runs inside scripts/with-wine.sh.
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
wine "$bin/driver_cli.exe" page 0
wine "$bin/driver_cli.exe" close
wait $program
echo "screenshots: $prefix-page0.png ... $prefix-page4.png"
