#!/usr/bin/env bash
# Makes the archive a student gets: build/dist/tessaly-VERSION.zip with one
# folder tessaly-VERSION holding the program (tessaly.exe, krnln.fnr), the demo
# question bank with its keyword file and math.ini, and the read-me 说明.txt
# (data/dist/说明.txt in GBK with CR LF line ends, for Notepad on a Chinese
# Windows). VERSION is the program's version (TESSALY_VERSION), which both
# build trees write to tessaly-version.txt and scripts/demo-bank.sh puts in
# the bank's math.ini as 主程序版本.
# Member names are stored as UTF-8 with the archive's UTF-8 flag. The folder
# name is kept ASCII: the launcher finds krnln.fnr through the ANSI form of its
# own path, which loses Chinese characters under a non-Chinese code page.
# Prints the archive's path as its last line. Expects `make build` done.
#   scripts/dist.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/build/dist"

# The program image (build/native) carries the caption, the Windows build the
# version resources: both must have been built with the same version.
native_version=$(cat "$root/build/native/tessaly-version.txt")
win_version=$(cat "$root/build/win/tessaly-version.txt")
if [ "$native_version" != "$win_version" ]; then
  echo "dist.sh: build/native has version $native_version, build/win $win_version;" \
    "build both with one, e.g. make dist TESSALY_VERSION=$native_version" >&2
  exit 1
fi
# The version names the archive and its folder; cmake/version.cmake keeps it
# to characters a file name can hold.
version=$native_version

top="tessaly-$version"
zip="$out/$top.zip"
stage="$out/stage"
rm -rf "$stage"
mkdir -p "$stage/$top"
"$root/scripts/program-folder.sh" "$stage/$top" >&2
# Line ends are made CR LF whatever the source has; iconv fails on any
# character GBK lacks, and then so does this script.
tr -d '\r' <"$root/data/dist/说明.txt" | sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' |
  iconv -f UTF-8 -t GBK >"$stage/$top/说明.txt"

python3 "$root/scripts/dist-zip.py" "$stage" "$top" "$zip"
rm -rf "$stage"
# The default build asks update servers on loopback, which only suits tests
# and the demo; a build for students names the school's servers.
for setting in TESSALY_PUBLIC_UPDATE_HOST TESSALY_LAN_UPDATE_HOST; do
  host=$(sed -nE "s/^$setting:[A-Z]+=(.*)/\1/p" "$root/build/win/CMakeCache.txt" 2>/dev/null)
  case "$host" in
    127.* | localhost | '') echo "dist.sh: note: the program asks its update server at ${host:-an unknown host}" \
      "($setting); set it to the school's server for a build students get (README, Build-time settings)" >&2 ;;
  esac
done
# Without an update public key the program installs whatever bank and saves
# whatever program archive the network hands it as the server's.
key=$(sed -nE "s/^TESSALY_UPDATE_PUBLIC_KEY:[A-Z]+=(.*)/\1/p" "$root/build/native/CMakeCache.txt" 2>/dev/null)
if [ -z "$key" ]; then
  echo "dist.sh: note: the program checks no signatures of its downloads (TESSALY_UPDATE_PUBLIC_KEY is not set);" \
    "build it with the school's update public key for a build students get (README, Signing the updates)" >&2
fi
echo "dist.sh: wrote $zip, $(stat -c %s "$zip") bytes" >&2
# The teachers' archive of the same version.
"$root/scripts/teacher-kit.sh" >&2
echo "$zip"
