#!/usr/bin/env bash
# Brings a Debian 12 machine to the point where the program builds, runs and is
# tested: apt packages (scripts/packages.txt), the UTF-8 locales Wine needs for
# non-ASCII file names, and a private Wine prefix with the registry settings
# and the drive the tests rely on.
# Every step checks first, so a second call costs about a second.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=wine-env.sh
source "$root/scripts/wine-env.sh"

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

# The private Wine prefix. Settings are written with LC_ALL=C.UTF-8 so that the
# Chinese value names reach the registry unmangled.
if [ ! -f "$WINEPREFIX/.tessaly-ready-2" ]; then
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  echo "setup: creating the Wine prefix $WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  reg() { LC_ALL=C.UTF-8 wine reg add "$@" /f >/dev/null 2>&1; }
  # No window manager under Xvfb: let Wine place the windows itself.
  reg 'HKCU\Software\Wine\X11 Driver' /v Managed /d N
  reg 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N
  # Chinese faces fall back to WenQuanYi; its "Sharp" cut has hand-made
  # bitmaps for the small sizes, which keep 12-pixel characters legible.
  for face in SimSun 宋体 NSimSun 新宋体 楷体_GB2312 KaiTi_GB2312 楷体 KaiTi; do
    reg 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d 'WenQuanYi Zen Hei Sharp'
  done
  wineserver -w
  touch "$WINEPREFIX/.tessaly-ready-2"
fi
# Drive U: is a folder of the prefix, as a USB stick would be: the end-to-end
# tests put a program folder at the root of a drive there.
mkdir -p "$WINEPREFIX/drive_c/tessaly-usb-stick"
ln -sfn ../drive_c/tessaly-usb-stick "$WINEPREFIX/dosdevices/u:"

"$root/scripts/fetch-deps.sh"
