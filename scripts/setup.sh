#!/usr/bin/env bash
# Brings a Debian 12 machine to the point where the program builds, runs and is
# tested: apt packages (scripts/packages.txt), the UTF-8 locales Wine needs for
# non-ASCII file names, and a private Wine prefix with the registry settings
# and the drive the tests rely on.
# Every step checks first, so a second call costs about a second.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-packages.sh" build

# Wine converts Windows file names to the Unix locale's charset: without a real
# UTF-8 locale every non-ASCII name ("关键词.txt") fails to open.
for loc in zh_CN.UTF-8 en_US.UTF-8; do
  if ! locale -a 2>/dev/null | grep -qi "^${loc/UTF-8/utf8}$"; then
    sed -i -E "s/^# *(${loc} UTF-8)/\\1/" /etc/locale.gen
    grep -q "^${loc} UTF-8" /etc/locale.gen || echo "${loc} UTF-8" >> /etc/locale.gen
    need_locale_gen=1
  fi
done
if [ "${need_locale_gen:-0}" = 1 ]; then locale-gen >/dev/null; fi

"$root/scripts/wine-prefix.sh"
"$root/scripts/fetch-deps.sh"
