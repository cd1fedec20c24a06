#!/usr/bin/env bash
# Builds the teachers' tools alone, for Linux, into build/banktool/bin: the
# bank tool `banktool` and `tessalyconfig`, which gives a built tessaly.exe a
# school's settings. They need CMake, a C++ compiler, stb's headers and the
# development files of SQLite, minizip, zlib and OpenSSL (Debian and Ubuntu: the packages
# of group `banktool` in scripts/packages.txt, installed here when missing
# and run as root) — no Wine, MinGW-w64, X server or fetched sources.
#   scripts/banktool.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/build/banktool}

if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null 2>&1; then
  "$root/scripts/install-packages.sh" banktool
fi
for tool in cmake c++; do
  command -v "$tool" >/dev/null 2>&1 || {
    echo "banktool.sh: $tool is missing; on Debian or Ubuntu:" \
      "apt-get install $(sed -nE 's/^([^# ]+) +banktool\b.*/\1/p' "$root/scripts/packages.txt" | tr '\n' ' ')" >&2
    exit 1
  }
done
generator=()
command -v ninja >/dev/null 2>&1 && generator=(-G Ninja)
cmake -S "$root" -B "$out" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release \
  -DTESSALY_SYSTEM_LIBRARIES=ON -DTESSALY_TESTS=OFF >/dev/null
cmake --build "$out" --target banktool tessalyconfig --parallel
echo "banktool.sh: built $out/bin/banktool and $out/bin/tessalyconfig" >&2
