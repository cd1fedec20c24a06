#!/usr/bin/env bash
# Formats the C++ sources (.cpp, .h) by .clang-format with Debian 12's
# clang-format (package clang-format, scripts/packages.txt):
#   scripts/format.sh           formats them in place
#   scripts/format.sh --check   changes nothing; names each file that is not
#                               formatted and fails when there is one
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
if [ -d .git ] || [ -f .git ]; then
  mapfile -t files < <(git ls-files -- '*.cpp' '*.h' | grep -v '/node_modules/')
else
  mapfile -t files < <(find . -path ./build -prune -o -name node_modules -prune -o \
                         \( -name '*.cpp' -o -name '*.h' \) -type f -print | sed 's|^\./||' | sort)
fi
if [ "${1:-}" = --check ]; then
  unformatted=()
  for f in "${files[@]}"; do
    clang-format --dry-run -Werror "$f" >/dev/null 2>&1 || unformatted+=("$f")
  done
  if [ ${#unformatted[@]} -gt 0 ]; then
    printf 'not formatted (scripts/format.sh formats them): %s\n' "${unformatted[@]}"
    exit 1
  fi
  echo "format: ${#files[@]} C++ sources formatted"
else
  printf '%s\0' "${files[@]}" | xargs -0 -n 50 clang-format -i
fi
