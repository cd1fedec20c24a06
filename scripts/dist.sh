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
# A school's settings, given as environment variables (make passes those of
# its command line: `make dist TESSALY_PUBLIC_UPDATE_HOST=updates.school.example`),
# are written into the packed copy of tessaly.exe by the native tessalyconfig;
# a variable set to the empty text means none; nothing is rebuilt:
#   TESSALY_PUBLIC_UPDATE_HOST, TESSALY_LAN_UPDATE_HOST, TESSALY_FEEDBACK_HOST,
#   TESSALY_FEEDBACK_USERID, TESSALY_UPDATE_PUBLIC_KEY (128 hexadecimal digits
#   or the file update-public-key.txt), TESSALY_UPDATE_PROXY (HOST:PORT or
#   system: the proxy the public update server is reached through)
# A value the tool refuses stops the script before any archive is written.
# So does a program without an update public key, or with the tests' key of
# tests/keys/ (its private key is in this repository for anyone to read):
# its students would install whatever bank or program anyone on the network
# path hands them. Only TESSALY_UNSIGNED_RELEASE=yes, said in so many words,
# packs such a program, for a release that is not for students (the release
# test, a demo).
# Prints the archive's path as its last line. Expects `make build` done.
#   scripts/dist.sh [OUTPUT FOLDER, default build/dist]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/build/dist}
config="$root/build/native/bin/tessalyconfig"

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
settings=()
for pair in TESSALY_PUBLIC_UPDATE_HOST:public-update-host TESSALY_LAN_UPDATE_HOST:lan-update-host \
  TESSALY_FEEDBACK_HOST:feedback-host TESSALY_FEEDBACK_USERID:feedback-userid \
  TESSALY_UPDATE_PUBLIC_KEY:update-public-key TESSALY_UPDATE_PROXY:update-proxy; do
  variable=${pair%%:*}
  [ -n "${!variable+set}" ] && settings+=("--${pair#*:}" "${!variable}")
done
if [ ${#settings[@]} -gt 0 ]; then
  if ! "$config" set "$root/build/win/bin/tessaly.exe" --out "$stage/$top/tessaly.exe" "${settings[@]}" >/dev/null; then
    echo "dist.sh: the settings were refused (above); no archive was written" >&2
    rm -rf "$stage"
    exit 1
  fi
fi
# The packed program's settings as it will run with them, name=value lines.
packed=$("$config" show "$stage/$top/tessaly.exe")
setting() { printf '%s\n' "$packed" | sed -n "s/^$1=//p"; }

# The update public key: the school's own, unless an unsigned release is
# asked for (the value yes; any other is no such request).
unsigned=${TESSALY_UNSIGNED_RELEASE-}
key=$(setting update-public-key)
test_key=$(head -n 1 "$root/tests/keys/test-only-update-public-key.txt" | tr -d '\r\n' | tr A-F a-f)
key_problem=''
if [ -z "$key" ]; then
  key_problem="the program has no update public key, so it would check no signatures of its downloads"
elif [ "$key" = "$test_key" ]; then
  key_problem="the program carries the tests' update public key (tests/keys/), whose private key anyone can read"
fi
if [ -n "$key_problem" ] && [ "$unsigned" != yes ]; then
  keys="$HOME/tessaly-keys"
  cat >&2 <<EOF
dist.sh: $key_problem; no archive was written.
  A release for students carries the school's own update public key. Make the key pair once
  (a key already there is never replaced; keep update-signing-key.txt secret, never on the
  update server; docs/update-server.md, "Signing the updates"):
    $root/build/native/bin/banktool keygen --out $keys
  and give the public key to the release:
    make dist TESSALY_UPDATE_PUBLIC_KEY=$keys/update-public-key.txt
  A release that is not for students (a demo, a test) is asked for without it:
    make dist TESSALY_UNSIGNED_RELEASE=yes
EOF
  rm -rf "$stage"
  exit 1
fi
# Line ends are made CR LF whatever the source has; iconv fails on any
# character GBK lacks, and then so does this script.
tr -d '\r' <"$root/data/dist/说明.txt" | sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' |
  iconv -f UTF-8 -t GBK >"$stage/$top/说明.txt"

python3 "$root/scripts/dist-zip.py" "$stage" "$top" "$zip"
rm -rf "$stage"
echo "dist.sh: the program's settings:" >&2
printf '  %s\n' $packed >&2
# Loopback servers only suit tests and the demo; a release for students names
# the school's servers.
for name in public-update-host lan-update-host; do
  host=$(setting $name)
  case "$host" in
    127.* | localhost) echo "dist.sh: note: the program asks an update server at $host ($name);" \
      "give the school's server for a release students get (docs/update-server.md, Configuring a release for a school)" >&2 ;;
  esac
done
if [ -z "$(setting public-update-host)$(setting lan-update-host)" ]; then
  echo "dist.sh: note: the program asks no update server (both hosts are empty)" >&2
fi
if [ -n "$key_problem" ]; then
  echo "dist.sh: note: an unsigned release (TESSALY_UNSIGNED_RELEASE=yes): $key_problem;" \
    "not for students (docs/update-server.md, Signing the updates)" >&2
fi
echo "dist.sh: wrote $zip, $(stat -c %s "$zip") bytes" >&2
# The teachers' archive of the same version.
"$root/scripts/teacher-kit.sh" "$out" >&2
echo "$zip"
