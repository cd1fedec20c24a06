#!/usr/bin/env bash
# Runs every test and ends with one summary line, "N passed, M failed" (exit
# code 1 when any failed):
#  - the C++ sources' format (scripts/format.sh --check), one test;
#  - the native unit tests: CTest in build/native;
#  - the typesetter's and the question editor's: their logic under node's
#    test runner, their pages in Debian's Chromium, headless
#    (scripts/typesetter.sh builds the pages and installs what they need),
#    and a question typed in the editor shown by the program under Wine
#    (tests/kit/editor_to_program_test.sh);
#  - the Windows tests under Wine: CTest in build/win, inside
#    scripts/with-wine.sh; the end-to-end and the HTTP client's tests, each
#    under both locales (ANSI code pages 936 and 1252), their servers started
#    and stopped by CTest (cmake/wine_tests.cmake);
#  - the test of the release archive, scripts/test-dist.sh.
# The counts come from CTest's JUnit reports, build/native-tests.xml and
# build/win-tests.xml.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
passed=0
failed=0

# Adds up one CTest run from its JUnit report. A test that could not run (its
# servers did not start, its program is missing) counts as failed, one that
# gtest skipped neither way, and starting or stopping servers (servers.*)
# only when it failed. A run that ended with an error but names no failed
# test counts as one failure.
count_ctest() {  # report exit-code what
  local report=$1 status=$2 what=$3 p f
  if [ ! -s "$report" ]; then
    echo "$what did not finish"
    failed=$((failed + 1))
    return
  fi
  p=$(grep '<testcase ' "$report" | grep -v ' name="servers\.' | grep -c ' status="run"')
  f=$(grep -c '<testcase .* status="fail"' "$report")
  f=$((f + $(grep '<skipped message=' "$report" | grep -vc 'message="SKIP_REGULAR_EXPRESSION_MATCHED"')))
  if [ "$status" -ne 0 ] && [ "$f" -eq 0 ]; then
    echo "$what ended with an error"
    f=1
  fi
  passed=$((passed + p))
  failed=$((failed + f))
}

echo "== the C++ sources' format (.clang-format)"
if scripts/format.sh --check; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
fi

echo "== native unit tests"
report="$root/build/native-tests.xml"
rm -f "$report"
ctest --test-dir build/native --output-on-failure --output-junit "$report"
count_ctest "$report" $? "the native unit tests"

echo "== the typesetter and the question editor (node's test runner; their pages in headless Chromium; one question to the program)"
log="$root/build/typesetter-tests.log"
rm -f "$log"
if scripts/typesetter.sh; then
  timeout 600 node --test --test-reporter=tap tools/typesetter/test/ >"$log" 2>&1
  status=$?
  grep -E '^not ok|^# (pass|fail)' "$log"
  [ "$status" -eq 0 ] || grep -vE '^ *(ok|# Subtest)' "$log" | head -80
  p=$(sed -nE 's/^# pass ([0-9]+)$/\1/p' "$log" | tail -1)
  f=$(sed -nE 's/^# fail ([0-9]+)$/\1/p' "$log" | tail -1)
  if [ -z "$p" ] || [ -z "$f" ]; then
    echo "the typesetter's tests did not finish"
    failed=$((failed + 1))
  else
    [ "$status" -ne 0 ] && [ "$f" -eq 0 ] && f=1
    passed=$((passed + p))
    failed=$((failed + f))
  fi
  # End to end: typed in the editor, built by the bank tool, shown by the
  # program under Wine.
  if timeout 300 tests/kit/editor_to_program_test.sh; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
  fi
else
  echo "the typesetter's page could not be built"
  failed=$((failed + 1))
fi

echo "== Windows tests under Wine (end-to-end, HTTP client; LANG=zh_CN.UTF-8 and en_US.UTF-8)"
report="$root/build/win-tests.xml"
rm -f "$report"
# Should the run be cut short, its servers are stopped here.
trap 'for kind in update http; do scripts/test-servers.sh stop $kind build/win/$kind-servers; done' EXIT
timeout 2400 scripts/with-wine.sh ctest --test-dir build/win --output-on-failure --output-junit "$report"
count_ctest "$report" $? "the Windows tests"

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
