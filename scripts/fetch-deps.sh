#!/usr/bin/env bash
# Fetches the dependency sources that Debian does not ship for MinGW, pinned to
# a version and checked by hash, into build/deps (never committed):
#   - the SQLite amalgamation, from the npm package better-sqlite3
#   - minizip, from Debian's zlib source package (contrib/minizip)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
deps="$root/build/deps"
mkdir -p "$deps"

check() {  # file sha256
  echo "$2  $1" | sha256sum -c --quiet - || { echo "fetch-deps: $1 has the wrong hash" >&2; rm -f "$1"; exit 1; }
}

# SQLite 3 amalgamation.
sqlite_pkg=better-sqlite3-12.4.1.tgz
sqlite_sha=14398acbf00d1e8fe0a2753df7d4f15c13138e4b874f4e6e96791f65b4536d0d
if [ ! -f "$deps/sqlite3/sqlite3.c" ]; then
  echo "fetch-deps: SQLite"
  tmp=$(mktemp -d)
  (cd "$tmp" && npm pack --silent better-sqlite3@12.4.1 >/dev/null)
  check "$tmp/$sqlite_pkg" "$sqlite_sha"
  mkdir -p "$deps/sqlite3"
  tar xzf "$tmp/$sqlite_pkg" -C "$tmp" package/deps/sqlite3/sqlite3.c package/deps/sqlite3/sqlite3.h
  mv "$tmp/package/deps/sqlite3/sqlite3.h" "$tmp/package/deps/sqlite3/sqlite3.c" "$deps/sqlite3/"
  rm -rf "$tmp"
fi

# minizip from zlib 1.2.13 (Debian's main-suite version), through a private apt
# configuration that adds the source lists without touching the system's.
zlib_orig=zlib_1.2.13.dfsg.orig.tar.bz2
zlib_sha=71feb7947e3c00ef125f83b79a4e529bde31171e5babe48b391f06758d1ab0a1
if [ ! -f "$deps/minizip/unzip.c" ]; then
  echo "fetch-deps: minizip"
  apt_dir="$deps/apt"
  mkdir -p "$apt_dir/parts" "$apt_dir/lists/partial" "$apt_dir/download"
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && sed 's/^Types: deb$/Types: deb-src/' "$f" > "$apt_dir/parts/$(basename "$f")"
  done
  if [ -f /etc/apt/sources.list ]; then
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list > "$apt_dir/parts/legacy.list"
  fi
  opts=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$apt_dir/parts"
        -o "Dir::State::Lists=$apt_dir/lists" -o APT::Sandbox::User=root)
  apt-get "${opts[@]}" -qq update
  (cd "$apt_dir/download" && apt-get "${opts[@]}" -qq source --download-only zlib=1:1.2.13.dfsg-1 >/dev/null)
  check "$apt_dir/download/$zlib_orig" "$zlib_sha"
  tmp=$(mktemp -d)
  tar xjf "$apt_dir/download/$zlib_orig" -C "$tmp" zlib-1.2.13.dfsg/contrib/minizip
  mkdir -p "$deps/minizip"
  cp "$tmp"/zlib-1.2.13.dfsg/contrib/minizip/{unzip.c,unzip.h,zip.c,zip.h,ioapi.c,ioapi.h,iowin32.c,iowin32.h,crypt.h} \
     "$deps/minizip/"
  rm -rf "$tmp" "$apt_dir"
fi
