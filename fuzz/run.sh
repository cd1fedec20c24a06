#!/usr/bin/env bash
# Builds the image reader's fuzzer with clang and runs it for FUZZ_SECONDS
# (60 by default), starting from the program's own image and its window
# definition. An input that fails is left in build/fuzz/ (crash-*, oom-*, ...)
# and the run's log in build/fuzz/last-run.log.
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

cmake -S fuzz -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
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
echo "fuzz: no failure found"
