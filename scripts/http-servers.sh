#!/usr/bin/env bash
# Starts or stops the servers the HTTP client is tested against, all on
# loopback and all private to one folder (default build/http-servers):
#   nginx            on 127.0.0.1:8001, serving the fixture tree and logging what it received
#   scripted server  on 127.0.0.2:8002, for never answering, slow, cut-off and odd responses
# Nothing listens on 127.0.0.3:8001: the address where a connection is refused.
#   scripts/http-servers.sh start|stop [DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$(realpath -m "${2:-$root/build/http-servers}")
servers="$root/tests/http/servers"

listening() {  # address port
  (exec 3<>"/dev/tcp/$1/$2") 2>/dev/null
}

wait_listening() {  # address port name
  for _ in $(seq 100); do
    listening "$1" "$2" && return 0
    sleep 0.05
  done
  echo "http-servers: $3 did not start on $1:$2" >&2
  return 1
}

stop() {
  for name in nginx scripted; do
    pidfile="$dir/$name.run.pid"
    if [ -f "$pidfile" ]; then
      pid=$(cat "$pidfile")
      kill "$pid" 2>/dev/null || true
      for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
      rm -f "$pidfile"
    fi
  done
}

start() {
  stop
  for ep in 127.0.0.1:8001 127.0.0.2:8002; do
    if listening "${ep%:*}" "${ep#*:}"; then
      echo "http-servers: something already listens on $ep" >&2
      return 1
    fi
  done
  mkdir -p "$dir/logs" "$dir/temp" "$dir/www"
  python3 "$servers/make_fixtures.py" "$dir/www"
  sed "s|@DIR@|$dir|g" "$servers/nginx.conf.in" > "$dir/nginx.conf"
  : > "$dir/logs/access.log"
  nginx -p "$dir" -c "$dir/nginx.conf" -e "$dir/logs/error.log" -g 'daemon off;' \
    >>"$dir/logs/nginx.out" 2>&1 &
  echo $! > "$dir/nginx.run.pid"
  python3 "$servers/scripted_server.py" 127.0.0.2 8002 >>"$dir/logs/scripted.out" 2>&1 &
  echo $! > "$dir/scripted.run.pid"
  wait_listening 127.0.0.1 8001 nginx && wait_listening 127.0.0.2 8002 "the scripted server"
}

case "${1:-}" in
  start) start ;;
  stop) stop ;;
  *) echo "usage: $0 start|stop [DIR]" >&2; exit 2 ;;
esac
