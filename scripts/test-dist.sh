#!/usr/bin/env bash
# Tests the archives of a release (scripts/dist.sh, made here first into
# build/test-dist with a school's settings, as `make dist TESSALY_...=...`
# makes it; loopback addresses only, as the program asks them under Wine;
# with the tests' update public key, so asked for as an unsigned release):
#  - that dist.sh refuses a release without an update public key, or with
#    the tests' key, unless TESSALY_UNSIGNED_RELEASE=yes asks for one, and
#    then writes no archive; with a key of its own it packs it;
#  - its members, their bytes, the packed program's settings read back, the
#    version its math.ini offers against the program's caption and version
#    resources, and the read-me (scripts/check-dist.py);
#  - under each locale (ANSI code pages 936 and 1252), unpacked into a fresh
#    folder: tessaly.exe started there under Wine opens its main window, whose
#    status line (a STATIC) shows a paper of every question of the shipped bank,
#    and ends with exit code 0 when the window is closed;
#  - tessaly.exe alone, without krnln.fnr beside it (as when started from
#    inside the archive), shows the error message the read-me explains and
#    ends with a failure exit code;
#  - the teachers' archive (scripts/teacher-kit.sh, made by dist.sh): its
#    members, tools and guide (scripts/check-teacher-kit.py); under each
#    locale, unpacked into a folder whose path holds Chinese characters and
#    blanks, its banktool.exe builds the example bank there as the guide
#    says, and the program composes a paper of all of the example's questions.
# Ends with the line "dist: N passed, M failed"; exit code 1 when any failed.
#   scripts/test-dist.sh
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin="$root/build/win/bin"
drv() { wine "$bin/driver_cli.exe" "$@"; }

# Waits up to $1 seconds for the background program $2 to end; its exit code
# goes to $ended_with. False when it is still running.
wait_for_end() {
  local until=$((SECONDS + $1))
  while kill -0 "$2" 2>/dev/null; do
    [ $SECONDS -ge $until ] && return 1
    sleep 0.2
  done
  wait "$2"
  ended_with=$?
}

# The two runs under Wine; each prints one "PASS ..." or "FAIL ...: why" line.

# --run-program FOLDER QUESTIONS
run_program() {
  local dir=$1 questions=$2 problem='' status='' class='' ended_with='' n
  (cd "$dir" && exec wine tessaly.exe) &
  local program=$!
  if ! drv wait 60; then
    problem="the main window did not appear"
  else
    class=$(drv class 0x0E)
    [ "${class,,}" = static ] || problem="the status line (0x0E) is a \"$class\" window, not a STATIC"
    # Start-up composes a paper, then the update check writes its own texts
    # on the status line; once it has ended, the next question shows the
    # paper again.
    local until=$((SECONDS + 90))
    while [ $SECONDS -lt $until ]; do
      status=$(drv text 0x0E)
      case "$status" in 试卷一共有* | 与服务器通讯失败* | 升级信息下载完成*) break ;; esac
      sleep 0.2
    done
    case "$status" in
      试卷一共有*) ;;
      与服务器通讯失败* | 升级信息下载完成*)
        drv click 0x05  # 下一题
        until=$((SECONDS + 20))
        while [ $SECONDS -lt $until ]; do
          status=$(drv text 0x0E)
          case "$status" in 试卷一共有*) break ;; esac
          sleep 0.2
        done
        ;;
    esac
    n=$(printf '%s' "$status" | sed -nE 's/^试卷一共有([0-9]+)题.*/\1/p')
    if [ -z "$n" ]; then
      problem="${problem:+$problem; }the status line shows \"$status\", not a paper"
    elif [ "$n" != "$questions" ]; then
      problem="${problem:+$problem; }the paper holds $n questions, the bank $questions (\"$status\")"
    fi
    drv close
  fi
  if ! wait_for_end 30 "$program"; then
    problem="${problem:+$problem; }the program did not end within 30 seconds"
    kill "$program" 2>/dev/null
  elif [ -z "$problem" ] && [ "$ended_with" != 0 ]; then
    problem="the program ended with exit code $ended_with"
  fi
  if [ -n "$problem" ]; then
    echo "FAIL the unpacked program runs: $problem"
  else
    echo "PASS the unpacked program runs: \"$status\", exit code 0"
  fi
}

# --run-alone FOLDER MESSAGE
run_alone() {
  local dir=$1 message=$2 problem='' shown ended_with=''
  (cd "$dir" && exec wine tessaly.exe) &
  local program=$!
  if ! shown=$(drv messagebox 60); then
    problem="no message box appeared"
  elif [ "$shown" != "$message" ]; then
    problem="the message box says \"$shown\""
  fi
  if ! wait_for_end 30 "$program"; then
    problem="${problem:+$problem; }the program did not end within 30 seconds"
    kill "$program" 2>/dev/null
  elif [ "$ended_with" = 0 ]; then
    problem="${problem:+$problem; }the program ended with exit code 0"
  fi
  if [ -n "$problem" ]; then
    echo "FAIL without krnln.fnr: $problem"
  else
    echo "PASS without krnln.fnr: \"$shown\", exit code $ended_with"
  fi
}

# --run-kit KIT PROGRAM QUESTIONS: in the kit's folder, as its guide says,
# the kit's banktool.exe builds the example bank from the question editor's
# file of it and its tessalyconfig.exe
# gives the program of folder PROGRAM (copied to 学生程序) a school's
# update server; that program, with the example bank, then composes a paper
# of all its questions. Output goes to files, not pipes: Wine's own
# processes keep a pipe open.
run_kit() {
  local kit=$1 program=$2 questions=$3
  mkdir -p "$kit/学生程序"
  cp "$program/tessaly.exe" "$kit/学生程序/"
  if (cd "$kit" && wine banktool.exe build --input '示例\示例题库.zip' --out 示例题库 --bank-version 2026.12.1 \
    >"$kit/build.log" 2>&1) &&
    cp "$kit/示例题库/填空题题库.db" "$kit/示例题库/关键词.txt" "$program/"; then
    echo "PASS the kit's banktool.exe builds the example in \"$kit\""
  else
    echo "FAIL the kit's banktool.exe builds the example in \"$kit\": $(tr -d '\r' <"$kit/build.log")"
    return
  fi
  if (cd "$kit" && wine tessalyconfig.exe set '学生程序\tessaly.exe' --out '学校 版\tessaly.exe' \
    --public-update-host 127.0.0.2 --lan-update-host "" >"$kit/config.log" 2>&1) &&
    grep -q '^public-update-host=127.0.0.2' "$kit/config.log" &&
    cp "$kit/学校 版/tessaly.exe" "$program/tessaly.exe"; then
    echo "PASS the kit's tessalyconfig.exe configures the program in \"$kit\""
  else
    echo "FAIL the kit's tessalyconfig.exe configures the program in \"$kit\": $(tr -d '\r' <"$kit/config.log")"
    return
  fi
  run_program "$program" "$questions"
}

case "${1:-}" in
  --run-program) run_program "$2" "$3"; exit 0 ;;
  --run-kit) run_kit "$2" "$3" "$4"; exit 0 ;;
  --run-alone) run_alone "$2" "$3"; exit 0 ;;
esac

passed=0
failed=0
# Counts the PASS and FAIL lines of a step's output; a step that gave fewer
# result lines than it should counts the missing ones as failed.
count() {
  local output=$1 expected=$2 what=$3 p f
  p=$(printf '%s\n' "$output" | grep -c '^PASS ')
  f=$(printf '%s\n' "$output" | grep -c '^FAIL ')
  if [ $((p + f)) -lt "$expected" ]; then
    echo "FAIL $what did not finish"
    f=$((expected - p))
  fi
  passed=$((passed + p))
  failed=$((failed + f))
}
summary() {
  echo "dist: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}

echo "== a release for students carries the school's update public key"
key_file="$root/tests/keys/test-only-update-public-key.txt"
checks="$root/build/test-dist/key-checks"
rm -rf "$checks"
mkdir -p "$checks"
"$root/build/native/bin/banktool" keygen --out "$checks/keys" >/dev/null
school_key=$(head -n 1 "$checks/keys/update-public-key.txt" | tr -d '\r\n')
output=''
# WHAT, then the settings of the run (ending with what it must do: refused or packed)
key_check() {
  local what=$1 expect=$2 log="$checks/dist.log" outcome problem=''
  shift 2
  rm -rf "$checks/out"
  if env -u TESSALY_UNSIGNED_RELEASE "$@" "$root/scripts/dist.sh" "$checks/out" >"$log" 2>&1; then
    outcome=packed
  else
    outcome=refused
  fi
  if [ "$outcome" != "$expect" ]; then
    problem="dist.sh $outcome it: $(tail -n 1 "$log")"
  elif [ "$expect" = refused ]; then
    ls "$checks/out"/*.zip >/dev/null 2>&1 && problem="an archive was written all the same"
    grep -q 'banktool keygen' "$log" && grep -q 'TESSALY_UPDATE_PUBLIC_KEY=' "$log" &&
      grep -q 'TESSALY_UNSIGNED_RELEASE=yes' "$log" || problem="${problem:+$problem; }the refusal does not say how to make and give a key: $(head -n 2 "$log" | tr "\n" " ")"
  else
    grep -q "update-public-key=$school_key" "$log" || problem="the packed program's key is not the one given"
  fi
  if [ -n "$problem" ]; then
    output+="FAIL $what: $problem"$'\n'
  else
    output+="PASS $what: $expect"$'\n'
  fi
}
key_check "no update public key" refused TESSALY_UPDATE_PUBLIC_KEY=
key_check "the tests' key" refused TESSALY_UPDATE_PUBLIC_KEY="$key_file"
key_check "TESSALY_UNSIGNED_RELEASE=no" refused TESSALY_UNSIGNED_RELEASE=no TESSALY_UPDATE_PUBLIC_KEY=
key_check "the school's own key" packed TESSALY_UPDATE_PUBLIC_KEY="$checks/keys/update-public-key.txt"
rm -rf "$checks"
echo -n "$output"
count "$output" 4 "the key checks"

echo "== the archive"
if ! made=$(TESSALY_PUBLIC_UPDATE_HOST=127.0.0.3 TESSALY_LAN_UPDATE_HOST= TESSALY_FEEDBACK_USERID=4711 \
  TESSALY_UPDATE_PUBLIC_KEY="$key_file" TESSALY_UNSIGNED_RELEASE=yes "$root/scripts/dist.sh" "$root/build/test-dist"); then
  echo "FAIL scripts/dist.sh failed"
  failed=$((failed + 1))
  summary
  exit 1
fi
zip=$(printf '%s\n' "$made" | tail -1)
output=$(python3 "$root/scripts/check-dist.py" check "$zip" public-update-host=127.0.0.3 lan-update-host= \
  feedback-userid=4711 update-public-key="$(head -n 1 "$key_file" | tr -d '\r\n' | tr A-F a-f)")
echo "$output"
count "$output" 5 "the archive check"
kit="$(dirname "$zip")/tessaly-teacher-kit-$(cat "$root/build/native/tessaly-version.txt").zip"
output=$(python3 "$root/scripts/check-teacher-kit.py" check "$kit")
echo "$output"
count "$output" 3 "the teacher kit's check"

for locale in zh_CN.UTF-8 en_US.UTF-8; do
  echo "== the unpacked archive under Wine, LANG=$locale"
  work=$(mktemp -d "${TMPDIR:-/tmp}/tessaly-dist.XXXXXX")
  if ! unpacked=$(python3 "$root/scripts/check-dist.py" unpack "$zip" "$work"); then
    echo "FAIL the archive does not unpack"
    failed=$((failed + 5))
    continue
  fi
  { read -r folder; read -r questions; read -r message; } <<<"$unpacked"
  mkdir "$work/alone"
  cp "$folder/tessaly.exe" "$work/alone/"
  output=$(LANG=$locale timeout 300 "$root/scripts/with-wine.sh" "$0" --run-program "$folder" "$questions" 2>&1 | tr -d '\r')
  output+=$'\n'$(LANG=$locale timeout 120 "$root/scripts/with-wine.sh" "$0" --run-alone "$work/alone" "$message" 2>&1 | tr -d '\r')
  # The teacher kit unpacked where a teacher's documents are: a path with
  # Chinese characters and blanks.
  cp -r "$folder" "$work/kit-program"
  if unpacked=$(python3 "$root/scripts/check-teacher-kit.py" unpack "$kit" "$work/教师 资料/高一 数学"); then
    { read -r kit_folder; read -r kit_questions; } <<<"$unpacked"
    output+=$'\n'$(LANG=$locale timeout 300 "$root/scripts/with-wine.sh" "$0" --run-kit "$kit_folder" \
      "$work/kit-program" "$kit_questions" 2>&1 | tr -d '\r')
  else
    output+=$'\n'"FAIL the teacher kit does not unpack"
  fi
  echo "$output"
  count "$output" 5 "the run under $locale"
  if printf '%s\n' "$output" | grep -q '^FAIL '; then
    echo "(the unpacked folder is kept: $work)"
  else
    rm -rf "$work"
  fi
done

summary
