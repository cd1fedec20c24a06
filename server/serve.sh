#!/usr/bin/env bash
# Serves a folder as the update server of 《Tessaly》之填空题练习: plain HTTP on
# port 8001, with nginx, as an ordinary process that runs until it is stopped
# (Ctrl-C, or SIGTERM to the process id it prints).
#
#   server/serve.sh FOLDER [--address ADDRESS] [--rate RATE] [--state DIR]
#   server/serve.sh FOLDER --flag-only
#
#   FOLDER      the folder the students' programs download from; it receives
#               the flag file 主机运行标志.txt (one byte, name in GBK) that
#               tells the programs the server is running. Put the bank and the
#               program into it with `banktool publish`.
#   --address   the address to listen on (default: every address of the
#               machine, 0.0.0.0); for example the school server's LAN address
#   --rate      the most each download may send per second, in nginx's units
#               (500k, 2m); default 0, no limit
#   --state     where nginx keeps its configuration, logs and temporary files
#               (default: /tmp/tessaly-update-server-ADDRESS); logs/access.log
#               there lists every download
#   --flag-only only write the flag file into FOLDER and end: for a folder
#               that another nginx serves (server/tessaly-updates.conf) or a
#               service that may only read it (server/tessaly-updates.service)
#
# The folder then serves:
#   主机运行标志.txt     the flag file
#   zentra/math.ini      the versions on offer (section 版本信息: 题库版本, 主程序版本)
#   zentra/math-signed.ini  the signed version file (banktool publish --key)
#   zentra/bank.zip      the question bank
#   zentra/zentra.rar    the main program, for students to unpack by hand
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

usage() {
  sed -n '2,/^set -euo/p' "$0" | sed '$d' | sed 's/^# \{0,1\}//' >&2
  exit 2
}

folder=
address=0.0.0.0
rate=0
state=
flag_only=
while [ $# -gt 0 ]; do
  case "$1" in
    --address) address=${2:?--address needs a value}; shift 2 ;;
    --rate) rate=${2:?--rate needs a value}; shift 2 ;;
    --state) state=${2:?--state needs a value}; shift 2 ;;
    --flag-only) flag_only=1; shift ;;
    -h|--help) usage ;;
    -*) echo "serve.sh: unknown option $1" >&2; usage ;;
    *) [ -z "$folder" ] || usage; folder=$1; shift ;;
  esac
done
[ -n "$folder" ] || usage
if [ -z "$flag_only" ] && ! command -v nginx >/dev/null 2>&1 && [ ! -x /usr/sbin/nginx ]; then
  echo "serve.sh: nginx is not installed (Debian: apt-get install nginx-light)" >&2
  exit 1
fi
nginx=$(command -v nginx || echo /usr/sbin/nginx)
if ! [[ $rate =~ ^[0-9]+[kKmM]?$ ]]; then
  echo "serve.sh: --rate wants a number of bytes per second such as 500k or 2m" >&2
  exit 2
fi
# zentra/ is made for banktool publish where the folder can be written; a
# service that only reads the folder serves it as it is.
mkdir -p "$folder/zentra" 2>/dev/null || [ -d "$folder" ] || { echo "serve.sh: there is no folder $folder" >&2; exit 1; }
folder=$(cd "$folder" && pwd)

# The flag file: one byte; its name is 主机运行标志.txt in GBK bytes, the way
# the programs ask for it.
flag="$folder/$(printf '\xd6\xf7\xbb\xfa\xd4\xcb\xd0\xd0\xb1\xea\xd6\xbe').txt"
if [ "$(stat -c %s "$flag" 2>/dev/null || echo 0)" != 1 ] && ! printf '1' 2>/dev/null >"$flag"; then
  echo "serve.sh: cannot write the flag file 主机运行标志.txt into $folder; write it once as its owner with: server/serve.sh FOLDER --flag-only" >&2
  exit 1
fi
if [ -n "$flag_only" ]; then
  echo "serve.sh: $folder holds the flag file"
  exit 0
fi
state=$(realpath -m "${state:-${TMPDIR:-/tmp}/tessaly-update-server-$address}")
mkdir -p "$state/logs" "$state/temp"

listen="$address:8001"
[ "$address" = 0.0.0.0 ] && listen=8001
# nginx reads the folder's path as one quoted value, sed as a replacement.
case "$folder$state" in
  *'"'* | *'\'* | *'$'* | *';'* | *'{'* | *'}'*)
    echo "serve.sh: the folder's and --state's paths may not hold \" \\ \$ ; { or }" >&2; exit 2 ;;
esac
sed_text() { printf '%s' "$1" | sed 's/[&|]/\\&/g'; }
sed -e "s|^\( *\)listen [^;]*;.*|\1listen $listen;|" \
  -e "s|^\( *\)root [^;]*;.*|\1root \"$(sed_text "$folder")\";|" \
  -e "s|^\( *\)limit_rate [^;]*;.*|\1limit_rate $rate;|" \
  -e "s|^\( *\)access_log [^;]* \([a-z_]*\);.*|\1access_log \"$(sed_text "$state")/logs/access.log\" \2;|" \
  "$here/tessaly-updates.conf" > "$state/site.conf"
sed -e "s|@STATE@|$(sed_text "$state")|g" "$here/nginx.conf.in" > "$state/nginx.conf"
"$nginx" -t -q -p "$state" -c "$state/nginx.conf" -e "$state/logs/error.log"
echo "serve.sh: serving $folder on $listen (process $$; logs in $state/logs)"
exec "$nginx" -p "$state" -c "$state/nginx.conf" -e "$state/logs/error.log" -g 'daemon off;'
