# Environment shared by every script that runs Windows programs under Wine.
# The project's Wine prefix is its own: build/wineprefix, or the folder
# TESSALY_WINEPREFIX names. A WINEPREFIX set in the user's shell is never
# used, so the tests neither run in nor rebuild the user's own prefix.
_tessaly_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${TESSALY_WINEPREFIX:-$_tessaly_root/build/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
