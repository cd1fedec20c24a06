#!/usr/bin/env bash
# Makes the project's own Wine prefix (scripts/wine-env.sh: build/wineprefix,
# or TESSALY_WINEPREFIX) with the registry settings and the drive the tests
# rely on. Quick when it is there already.
#   scripts/wine-prefix.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=wine-env.sh
source "$root/scripts/wine-env.sh"

# The private Wine prefix. Settings are written with LC_ALL=C.UTF-8 so that the
# Chinese value names reach the registry unmangled.
if [ ! -f "$WINEPREFIX/.tessaly-ready-2" ]; then
  # Only a folder this script made (it carries .tessaly-prefix) is ever
  # emptied; anything else in the way is left alone.
  if [ -d "$WINEPREFIX" ] && [ -n "$(ls -A "$WINEPREFIX")" ] && [ ! -f "$WINEPREFIX/.tessaly-prefix" ] &&
    ! compgen -G "$WINEPREFIX/.tessaly-ready-*" >/dev/null; then
    echo "setup: $WINEPREFIX is not empty and not a Wine prefix this project made; it is left alone." \
      "Set TESSALY_WINEPREFIX to an empty or new folder, or unset it for build/wineprefix" >&2
    exit 1
  fi
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  touch "$WINEPREFIX/.tessaly-prefix"
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

