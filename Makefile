# make run   - set up this machine, build, lay out the demo program folder and start the program
# make test  - set up this machine, build, run every test
# make screenshots - every tab page under both locales, as PNG files in build/screenshots
# make bench - benchmarks: the HTTP client against the test servers, start-up, composition over large banks
# make fuzz  - the program image's reader under libFuzzer for a minute (FUZZ_SECONDS=n for longer)
# make dist  - the archive students get, build/dist/tessaly-VERSION.zip
# make banktool - the teachers' tools alone for Linux (CMake and g++; no Wine, no MinGW-w64)
.PHONY: all setup build build-native build-win run test screenshots bench dist banktool clean

# The program's version for both build trees, e.g. `make dist TESSALY_VERSION=1.0.4`;
# unset, each tree keeps the one in its CMake cache (default 1.0.2).
version_setting = $(if $(TESSALY_VERSION),-DTESSALY_VERSION='$(TESSALY_VERSION)')
# The update public key the program checks downloads against, for the native
# tree that writes the program image, e.g.
# `make dist TESSALY_UPDATE_PUBLIC_KEY=$(cat keys/update-public-key.txt)`;
# unset, the tree keeps the one in its CMake cache (default: none).
key_setting = $(if $(TESSALY_UPDATE_PUBLIC_KEY),-DTESSALY_UPDATE_PUBLIC_KEY='$(TESSALY_UPDATE_PUBLIC_KEY)')

all: build

setup:
	@scripts/setup.sh

build-native: setup
	@cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Release $(version_setting) $(key_setting) >/dev/null
	@ninja -C build/native

build-win: setup build-native
	@cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64.cmake $(version_setting) >/dev/null
	@ninja -C build/win

build: build-native build-win

run: build
	@scripts/run.sh

test: build
	@scripts/test.sh

screenshots: build-win
	@scripts/screenshots.sh

dist: build
	@scripts/dist.sh

bench: build-win
	@scripts/bench.sh
	@scripts/bench-startup.sh
	@scripts/bench-compose.sh

banktool:
	@scripts/banktool.sh

clean:
	rm -rf build/native build/win build/run build/screenshots build/dist build/banktool

.PHONY: fuzz
fuzz: build-native
	@fuzz/run.sh
