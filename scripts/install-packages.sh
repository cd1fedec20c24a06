#!/usr/bin/env bash
# Installs the packages of the named groups of scripts/packages.txt that this
# machine lacks (apt-get, no recommended extras); quick when none is missing.
#   scripts/install-packages.sh GROUP...
set -euo pipefail
list="$(cd "$(dirname "$0")" && pwd)/packages.txt"
missing=()
while read -r package group command _; do
  case "$package" in '' | '#'*) continue ;; esac
  [[ " $* " == *" $group "* ]] || continue
  if [ -n "${command:-}" ]; then
    command -v "$command" >/dev/null 2>&1 && continue
  elif dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    continue
  fi
  missing+=("$package")
done <"$list"
if [ ${#missing[@]} -gt 0 ]; then
  echo "install-packages: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
