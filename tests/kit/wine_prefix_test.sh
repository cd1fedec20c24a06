#!/usr/bin/env bash
# The project's Wine prefix is its own: a WINEPREFIX set in the user's shell
# is not used, and a folder named by TESSALY_WINEPREFIX that holds something
# else is refused, not emptied.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

mkdir -p "$work/users-prefix"
echo keep >"$work/users-prefix/system.reg"
used=$(env -u TESSALY_WINEPREFIX WINEPREFIX="$work/users-prefix" bash -c "source '$root/scripts/wine-env.sh'; echo \"\$WINEPREFIX\"")
[ "$used" = "$root/build/wineprefix" ] || { echo "FAIL: the user's WINEPREFIX is used ($used)"; failures=$((failures + 1)); }

out=$(TESSALY_WINEPREFIX="$work/users-prefix" "$root/scripts/wine-prefix.sh" 2>&1)
status=$?
if [ $status -eq 0 ] || [ "$(cat "$work/users-prefix/system.reg" 2>/dev/null)" != keep ]; then
  echo "FAIL: a foreign folder as TESSALY_WINEPREFIX was not refused and kept ($status): $out"
  failures=$((failures + 1))
fi
[ $failures -eq 0 ] && echo PASS
