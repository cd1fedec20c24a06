#!/usr/bin/env bash
# Runs every test: the native unit tests, then the end-to-end tests under Wine
# once per locale (ANSI code pages 936 and 1252), the HTTP client's tests and
# the test of the release archive (scripts/test-dist.sh). Ends with one
# summary line.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
passed=0
failed=0

echo "== native unit tests"
ctest --test-dir build/native --output-on-failure 2>&1 | tee build/native-tests.log
n_total=$(sed -nE 's/.*tests passed, ([0-9]+) tests failed out of ([0-9]+).*/\2/p' build/native-tests.log | tail -1)
n_failed=$(sed -nE 's/.*tests passed, ([0-9]+) tests failed out of ([0-9]+).*/\1/p' build/native-tests.log | tail -1)
if [ -z "$n_total" ]; then n_total=1; n_failed=1; fi
passed=$((passed + n_total - n_failed))
failed=$((failed + n_failed))

# The end-to-end tests start and stop their update servers (server/serve.sh,
# loopback only) through this keeper; the token keeps other test runs out.
export TESSALY_UPDATE_SERVERS="$root/build/update-servers"
TESSALY_KEEPER_TOKEN=$(od -An -N8 -tx1 /dev/urandom | tr -d ' \n')
export TESSALY_KEEPER_TOKEN
rm -rf "$TESSALY_UPDATE_SERVERS"
mkdir -p "$TESSALY_UPDATE_SERVERS"
if (exec 3<>/dev/tcp/127.0.0.1/8009) 2>/dev/null; then
  echo "127.0.0.1:8009, the update server keeper's port, is taken: is another test run going on?"
fi
python3 tests/e2e/servers/keeper.py "$TESSALY_UPDATE_SERVERS" "$TESSALY_KEEPER_TOKEN" \
  >"$TESSALY_UPDATE_SERVERS/keeper.out" 2>&1 &
keeper=$!
trap 'kill $keeper 2>/dev/null; wait $keeper 2>/dev/null' EXIT
for _ in $(seq 100); do (exec 3<>/dev/tcp/127.0.0.1/8009) 2>/dev/null && break; sleep 0.05; done

# Drive U: of the Wine prefix is a folder, as a USB stick would be: the tests
# put a program folder at the root of a drive there.
source scripts/wine-env.sh
mkdir -p "$WINEPREFIX/drive_c/tessaly-usb-stick"
ln -sfn ../drive_c/tessaly-usb-stick "$WINEPREFIX/dosdevices/u:"

for locale in zh_CN.UTF-8 en_US.UTF-8; do
  echo "== end-to-end tests under Wine, LANG=$locale"
  log="build/e2e-$locale.log"
  LANG=$locale timeout 900 scripts/with-wine.sh wine build/win/bin/e2e_tests.exe 2>&1 | tr -d '\r' | tee "$log"
  p=$(sed -nE 's/^\[  PASSED  \] ([0-9]+) tests?.*/\1/p' "$log" | tail -1)
  f=$(sed -nE 's/^\[  FAILED  \] ([0-9]+) tests?, listed below.*/\1/p' "$log" | tail -1)
  total=$(sed -nE 's/^\[==========\] ([0-9]+) tests? from .* ran.*/\1/p' "$log" | tail -1)
  if [ -z "$total" ]; then
    echo "the end-to-end run under $locale did not finish"
    failed=$((failed + 1))
    continue
  fi
  passed=$((passed + ${p:-0}))
  failed=$((failed + ${f:-0}))
done

kill $keeper 2>/dev/null
wait $keeper 2>/dev/null

# The HTTP client against its servers on loopback, under both code pages.
export TESSALY_HTTP_SERVERS="$root/build/http-servers"
trap 'scripts/http-servers.sh stop "$TESSALY_HTTP_SERVERS"' EXIT
if scripts/http-servers.sh start "$TESSALY_HTTP_SERVERS"; then
  for locale in zh_CN.UTF-8 en_US.UTF-8; do
    echo "== HTTP client tests under Wine, LANG=$locale"
    log="build/http-$locale.log"
    LANG=$locale timeout 600 scripts/with-wine.sh wine build/win/bin/http_tests.exe 2>&1 | tr -d '\r' | tee "$log"
    p=$(sed -nE 's/^\[  PASSED  \] ([0-9]+) tests?.*/\1/p' "$log" | tail -1)
    f=$(sed -nE 's/^\[  FAILED  \] ([0-9]+) tests?, listed below.*/\1/p' "$log" | tail -1)
    if ! grep -qE '^\[==========\] [0-9]+ tests? from .* ran' "$log"; then
      echo "the HTTP client run under $locale did not finish"
      failed=$((failed + 1))
      continue
    fi
    passed=$((passed + ${p:-0}))
    failed=$((failed + ${f:-0}))
  done
else
  echo "the HTTP client's test servers did not start"
  failed=$((failed + 1))
fi

# The archive students get (make dist), unpacked and run under both code pages.
echo "== the release archive"
log="build/dist-tests.log"
timeout 900 scripts/test-dist.sh 2>&1 | tee "$log"
p=$(sed -nE 's/^dist: ([0-9]+) passed, ([0-9]+) failed$/\1/p' "$log" | tail -1)
f=$(sed -nE 's/^dist: ([0-9]+) passed, ([0-9]+) failed$/\2/p' "$log" | tail -1)
if [ -z "$p" ]; then
  echo "the release archive test did not finish"
  failed=$((failed + 1))
else
  passed=$((passed + p))
  failed=$((failed + f))
fi

echo
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
