#!/usr/bin/env bash
# Starts or stops the servers the Windows tests run against, all on loopback
# and each kind private to one folder (default build/KIND-servers):
#   http    for the HTTP client's tests:
#             nginx           on 127.0.0.1:8001, serving the fixture tree and logging what it received
#             scripted server on 127.0.0.2:8002, for never answering, slow, cut-off and odd responses
#           nothing listens on 127.0.0.3:8001: the address where a connection is refused
#   update  for the end-to-end tests: the keeper on 127.0.0.1:8009
#           (tests/e2e/servers/keeper.py), which starts and stops update
#           servers (server/serve.sh, loopback only) when a test asks; it
#           serves FOLDER/NAME/www and wants the token in FOLDER/keeper-token
#           in every request, which keeps other test runs out
# The servers run on after this script ends, until it is called with stop.
# CTest starts and stops them around build/win's tests (cmake/wine_tests.cmake).
#   scripts/test-servers.sh start|stop http|update [FOLDER]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
kind=${2:-}
case "$kind" in
  http) names=(nginx scripted) ;;
  update) names=(keeper) ;;
  *) echo "usage: $0 start|stop http|update [FOLDER]" >&2; exit 2 ;;
esac
dir=$(realpath -m "${3:-$root/build/$kind-servers}")

listening() {  # address port
  (exec 3<>"/dev/tcp/$1/$2") 2>/dev/null
}

wait_listening() {  # address port name
  for _ in $(seq 100); do
    listening "$1" "$2" && return 0
    sleep 0.05
  done
  echo "test-servers: $3 did not start on $1:$2" >&2
  return 1
}

not_listening() {  # address:port...
  for ep in "$@"; do
    if listening "${ep%:*}" "${ep#*:}"; then
      echo "test-servers: something already listens on $ep: is another test run going on?" >&2
      return 1
    fi
  done
}

# Runs a server in the background with its output going to a log, holding
# none of the caller's other open files: CTest waits until a test's output is
# closed, and a lock the caller holds must not outlive it in a server. Its
# process id goes to FOLDER/NAME.run.pid.
detach() {  # name log command...
  local name=$1 log=$2
  shift 2
  (
    for fd in /proc/self/fd/*; do
      fd=${fd##*/}
      if [ "$fd" -gt 2 ] && [ -e "/proc/self/fd/$fd" ]; then eval "exec $fd>&-"; fi
    done
    exec "$@" </dev/null >>"$log" 2>&1
  ) &
  echo $! > "$dir/$name.run.pid"
}

# True while the process runs; one that has ended but is not yet reaped (its
# parent, this script's caller, may be long gone) no longer holds its ports.
running() {  # pid
  case $(ps -o stat= -p "$1" 2>/dev/null) in
    '' | Z*) return 1 ;;
  esac
}

stop() {
  for name in "${names[@]}"; do
    pidfile="$dir/$name.run.pid"
    if [ -f "$pidfile" ]; then
      pid=$(cat "$pidfile")
      kill "$pid" 2>/dev/null || true
      # The keeper stops the update servers it started before it ends.
      for _ in $(seq 200); do running "$pid" || break; sleep 0.05; done
      rm -f "$pidfile"
    fi
  done
}

start_http() {
  not_listening 127.0.0.1:8001 127.0.0.2:8002
  mkdir -p "$dir/logs" "$dir/temp" "$dir/www"
  python3 "$root/tests/http/servers/make_fixtures.py" "$dir/www"
  sed "s|@DIR@|$dir|g" "$root/tests/http/servers/nginx.conf.in" > "$dir/nginx.conf"
  : > "$dir/logs/access.log"
  detach nginx "$dir/logs/nginx.out" nginx -p "$dir" -c "$dir/nginx.conf" -e "$dir/logs/error.log" -g 'daemon off;'
  detach scripted "$dir/logs/scripted.out" python3 "$root/tests/http/servers/scripted_server.py" 127.0.0.2 8002
  wait_listening 127.0.0.1 8001 nginx && wait_listening 127.0.0.2 8002 "the scripted server"
}

start_update() {
  not_listening 127.0.0.1:8009
  mkdir -p "$dir"
  local token
  token=$(od -An -N8 -tx1 /dev/urandom | tr -d ' \n')
  printf '%s\n' "$token" > "$dir/keeper-token"
  detach keeper "$dir/keeper.out" python3 "$root/tests/e2e/servers/keeper.py" "$dir" "$token"
  wait_listening 127.0.0.1 8009 "the update server keeper"
}

case "${1:-}" in
  start) stop; "start_$kind" ;;
  stop) stop ;;
  *) echo "usage: $0 start|stop http|update [FOLDER]" >&2; exit 2 ;;
esac
