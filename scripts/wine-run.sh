#!/usr/bin/env bash
# Runs a Windows program under Wine with the project's environment
# (scripts/wine-env.sh), its output's CR LF line ends made LF, and ends with
# the program's exit code. CTest runs build/win's test programs through it
# (CMAKE_CROSSCOMPILING_EMULATOR, cmake/mingw-w64.cmake). A program that opens
# windows wants a display and, to start quickly, one persistent wineserver:
# run inside scripts/with-wine.sh, which gives a whole CTest run both. Called
# without a display, it goes inside with-wine.sh for this one program.
#   scripts/wine-run.sh PROGRAM [ARGS...]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
[ -n "${DISPLAY:-}" ] || exec "$here/with-wine.sh" "$here/wine-run.sh" "$@"
# shellcheck source=wine-env.sh
source "$here/wine-env.sh"
# Wine's own processes that a program starts (the desktop, services) inherit
# its error output and keep it open after the program has ended, the desktop
# for a second, the services for as long as the wineserver runs; so the error
# output goes through a file, and nothing keeps this script's outputs open.
errors=$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX")
trap 'rm -f "$errors"' EXIT
wine "$@" 2>"$errors" | tr -d '\r'
status=$?
tr -d '\r' <"$errors" >&2
exit $status
