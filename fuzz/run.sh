#!/usr/bin/env bash
# Builds the fuzzers with clang and runs them: the image reader for
# FUZZ_SECONDS (60 by default), starting from the program's own image and its
# window definition; then the readers of what strangers write (a server's
# math.ini, bank.zip's member names, URLs and response headers, the keyword
# file) for FUZZ_RUNS inputs each (1,000,000 by default; about 8 minutes in
# all). An input that fails is left in build/fuzz/ (crash-*, oom-*, ...) and
# each run's log in build/fuzz/<target>.log.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${FUZZ_SECONDS:-60}
image=${FUZZ_IMAGE:-build/native/tessaly.img}
if [ ! -f "$image" ]; then
  echo "fuzz: $image is missing; build first (make build-native)" >&2
  exit 1
fi

# clang and libFuzzer's runtime are needed only here, so they are installed here.
scripts/install-packages.sh fuzz

runs=${FUZZ_RUNS:-1000000}
cmake -S fuzz -B build/fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C build/fuzz >/dev/null

# Seeds: the image, and the data of its "form" segment on its own (header
# word 0x44 gives the form's segment header; its words 0x28 and 0x2C the
# stored size and offset).
corpus=build/fuzz/corpus
mkdir -p "$corpus"
cp "$image" "$corpus/tessaly.img"
python3 - "$image" "$corpus/form.bin" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
header = struct.unpack_from("<I", data, 0x44)[0]
size, offset = struct.unpack_from("<II", data, header + 0x28)
open(sys.argv[2], "wb").write(data[offset:offset + size])
PY

echo "fuzz: running the image reader's fuzzer for ${seconds} s"
status=0
build/fuzz/image_reader_fuzz -max_total_time="$seconds" -print_final_stats=1 \
  -artifact_prefix=build/fuzz/ "$corpus" >build/fuzz/last-run.log 2>&1 || status=$?
if [ "$status" -ne 0 ]; then
  grep -vE '^#[0-9]+' build/fuzz/last-run.log | tail -60
  echo "fuzz: the fuzzer found a failing input (see build/fuzz/last-run.log and build/fuzz/crash-*)"
  exit 1
fi
grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' build/fuzz/last-run.log || true

# Seeds of the text fuzzers: a version file as servers write it, a URL and a
# response header block, a keyword file, member names of either encoding.
seed() { mkdir -p "build/fuzz/corpus-$1" && printf '%b' "$3" >"build/fuzz/corpus-$1/$2"; }
seed ini_fuzz math.ini '[\xB0\xE6\xB1\xBE\xD0\xC5\xCF\xA2]\r\n\xCC\xE2\xBF\xE2\xB0\xE6\xB1\xBE=2026.12.1\r\n[notice]\r\nx=1\r\n'
seed http_text_fuzz url 'http://127.0.0.1:8001/zentra/math.ini?a=1'
seed http_text_fuzz headers 'HTTP/1.1 200 OK\r\nSet-Cookie: a=b; path=/\r\nContent-Length: 3\r\n\r\n'
seed keyword_file_fuzz keywords '\xBC\xAF\xBA\xCF\r\n\r\nfunction\nx\r'
seed member_name_fuzz gbk '\x00\xCC\xEE\xBF\xD5/q1.png'
seed member_name_fuzz utf8 '\x01pictures/\xE9\xA2\x98.gif'
for target in ini_fuzz member_name_fuzz http_text_fuzz keyword_file_fuzz; do
  echo "fuzz: $target for $runs inputs"
  status=0
  "build/fuzz/$target" -runs="$runs" -print_final_stats=1 -artifact_prefix=build/fuzz/ "build/fuzz/corpus-$target" \
    >"build/fuzz/$target.log" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    grep -vE '^#[0-9]+' "build/fuzz/$target.log" | tail -60
    echo "fuzz: $target found a failing input (see build/fuzz/$target.log and build/fuzz/crash-*)"
    exit 1
  fi
  grep -E '^(Done|stat::peak_rss_mb)' "build/fuzz/$target.log" || true
done
echo "fuzz: no failure found"
