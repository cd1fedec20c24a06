# make run   - set up this machine, build, lay out the demo program folder and start the program
# make test  - set up this machine, build, run every test
# make screenshots - every tab page under both locales, as PNG files in build/screenshots
# make bench - benchmarks: the HTTP client against the test servers, start-up, composition over large banks,
#              the typesetter
# make typesetter - the typesetter's page in build/typesetter (Chromium, the CJK font, npm packages)
# make fuzz  - the program image's reader under libFuzzer for a minute (FUZZ_SECONDS=n for longer)
# make dist  - the archive students get, build/dist/tessaly-VERSION.zip (a school's settings and its
#              update public key: see below; TESSALY_UNSIGNED_RELEASE=yes for one without)
# make banktool - the teachers' tools alone for Linux (CMake and g++; no Wine, no MinGW-w64)
.PHONY: all setup build build-native build-win run test screenshots bench dist banktool typesetter clean

# The program's version for both build trees, e.g. `make dist TESSALY_VERSION=1.0.4`;
# unset, each tree keeps the one in its CMake cache (default 1.0.2).
version_setting = $(if $(TESSALY_VERSION),-DTESSALY_VERSION='$(TESSALY_VERSION)')
# The settings a school gives its release: the update servers, the feedback
# guestbook and the update public key (docs/update-server.md, "Configuring a release for a
# school"). `make dist TESSALY_PUBLIC_UPDATE_HOST=updates.school.example ...`
# writes them into the program it packs (scripts/dist.sh runs tessalyconfig
# on its copy) and rebuilds nothing; with any other target, e.g. `make build
# TESSALY_UPDATE_PUBLIC_KEY=$$(cat keys/update-public-key.txt)`, they are the
# values the native tree writes into the program image, kept in its CMake
# cache. An empty value (TESSALY_LAN_UPDATE_HOST=) means none.
# `make dist` refuses a program without an update public key, or with the
# tests' key of tests/keys/, and writes no archive: make the school's key pair
# with `banktool keygen --out DIR` and give `make dist
# TESSALY_UPDATE_PUBLIC_KEY=DIR/update-public-key.txt`. A release not meant
# for students (a demo, a test) is asked for without one in so many words:
# `make dist TESSALY_UNSIGNED_RELEASE=yes`.
image_settings = TESSALY_PUBLIC_UPDATE_HOST TESSALY_LAN_UPDATE_HOST TESSALY_FEEDBACK_HOST TESSALY_FEEDBACK_USERID \
  TESSALY_UPDATE_PUBLIC_KEY TESSALY_UPDATE_PROXY
ifeq ($(filter dist,$(MAKECMDGOALS)),)
image_setting_flags = $(foreach s,$(image_settings),$(if $(filter command line environment,$(origin $(s))),-D$(s)='$($(s))'))
endif

all: build

setup:
	@scripts/setup.sh

build-native: setup
	@cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Release $(version_setting) $(image_setting_flags) >/dev/null
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

dist: build typesetter
	@scripts/dist.sh

bench: build typesetter
	@scripts/bench.sh
	@scripts/bench-startup.sh
	@scripts/bench-compose.sh
	@node tools/typesetter/bench.js

typesetter: build-native
	@scripts/typesetter.sh

banktool:
	@scripts/banktool.sh

clean:
	rm -rf build/native build/win build/run build/screenshots build/dist build/banktool build/test-dist build/typesetter

.PHONY: fuzz
fuzz: build-native
	@fuzz/run.sh
