#!/usr/bin/env bash
# The update server kit as school IT installs it:
#  - server/tessaly-updates.conf, unchanged, is a valid site of an nginx that
#    already runs (included in its http block, as conf.d files are);
#  - server/tessaly-updates.service is a valid systemd unit;
#  - server/serve.sh serves a folder whose path holds blanks and non-ASCII
#    characters (the flag file under its GBK name, nothing but GET), and
#    refuses a folder it can neither read a flag file from nor write one to.
# Exit code 77 (skipped) when nginx is missing.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
nginx=$(command -v nginx || echo /usr/sbin/nginx)
[ -x "$nginx" ] || { echo "SKIP: no nginx"; exit 77; }
work=$(mktemp -d)
chmod 755 "$work"  # nginx's workers run as nobody when it is started as root
server_pid=
trap '[ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# An existing nginx including the site.
mkdir -p "$work/nginx/logs"
cat >"$work/nginx/nginx.conf" <<CONF
pid $work/nginx/nginx.pid;
events {}
http { include $root/server/tessaly-updates.conf; }
CONF
"$nginx" -t -q -p "$work/nginx" -c "$work/nginx/nginx.conf" -e "$work/nginx/logs/error.log" ||
  fail "the site file is not accepted by nginx"

if command -v systemd-analyze >/dev/null; then
  sed "s#/opt/tessaly/server/serve.sh#$root/server/serve.sh#g" "$root/server/tessaly-updates.service" \
    >"$work/tessaly-updates.service"
  systemd-analyze verify "$work/tessaly-updates.service" || fail "the systemd unit does not verify"
fi

folder="$work/学校 升级"
mkdir -p "$folder/zentra"
printf 'x' >"$folder/zentra/math.ini"
"$root/server/serve.sh" "$folder" --address 127.0.0.6 --state "$work/state dir" >"$work/serve.out" 2>&1 &
server_pid=$!
flag_url='http://127.0.0.6:8001/%D6%F7%BB%FA%D4%CB%D0%D0%B1%EA%D6%BE.txt'
for _ in $(seq 50); do curl -s -o /dev/null "$flag_url" && break; sleep 0.1; done
[ "$(curl -s "$flag_url")" = 1 ] || fail "the flag file is not served under its GBK name: $(cat "$work/serve.out")"
[ "$(curl -s http://127.0.0.6:8001/zentra/math.ini)" = x ] || fail "zentra/math.ini is not served"
[ "$(curl -s -o /dev/null -w '%{http_code}' -X PUT --data y http://127.0.0.6:8001/zentra/math.ini)" = 403 ] ||
  fail "a PUT is not refused"
grep -q 'GET /zentra/math.ini' "$work/state dir/logs/access.log" || fail "downloads are not logged"
kill "$server_pid"; wait "$server_pid" 2>/dev/null; server_pid=

# A read-only folder without the flag file (a service reading what was never published).
mkdir -p "$work/empty"
chmod 555 "$work/empty"
mkdir -p "$work/nobody-state"
chown nobody "$work/nobody-state" 2>/dev/null
if setpriv --reuid=nobody --regid=nogroup --clear-groups true 2>/dev/null; then
  out=$(setpriv --reuid=nobody --regid=nogroup --clear-groups \
    "$root/server/serve.sh" "$work/empty" --address 127.0.0.6 --state "$work/nobody-state" 2>&1)
  status=$?
  [ $status -ne 0 ] && [[ $out == *"cannot write the flag file"* ]] ||
    fail "a folder without a flag file that cannot be written was served ($status): $out"
fi

[ $failures -eq 0 ] && echo "PASS" || exit 1
