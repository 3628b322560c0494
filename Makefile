# tarvon3: two commands do everything on a fresh Debian machine.
#   make run    installs what is missing, builds, makes the data and runs the show
#   make test   installs what is missing, builds and runs every test
# Other targets: build, data, bench, fuzz, tsan, sanitize, web, web-test, win, win-test, clean.

BUILD   ?= build
JOBS    ?= $(shell nproc)
CMAKE_FLAGS ?=

# Debian packages the build, the data and the tests need; installed only when missing.
PACKAGES = cmake g++ make pkg-config libsdl2-dev libgtest-dev \
           clang libclang-rt-14-dev libfreetype-dev fonts-dejavu-core libpng-dev zlib1g-dev \
           ffmpeg lame twolame xz-utils bzip2 gzip sox xvfb xauth python3 zip unzip

.PHONY: all deps build test run data bench fuzz fuzz-build fuzz-smoke tsan sanitize web web-test win win-deps win-test clean

all: build

deps:
	@missing=""; for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  SUDO=""; [ "$$(id -u)" -ne 0 ] && SUDO=sudo; \
	  $$SUDO apt-get update -qq && DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -qq $$missing; \
	fi

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

data: build
	@tools/make-data.sh $(BUILD)

test: build data
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 1500
	tools/check-show.sh $(BUILD)
	$(MAKE) --no-print-directory fuzz-smoke
	$(MAKE) --no-print-directory tsan
	tools/check-sanitizers.sh $(BUILD)-fuzz $(BUILD)-tsan
	$(MAKE) --no-print-directory web-test
	$(MAKE) --no-print-directory win-test
	$(MAKE) --no-print-directory dist-test

run: build data
	@tools/run-show.sh $(BUILD)

# Every benchmark runs, even after one fails; the target fails when any did. The Windows builds'
# (tools/bench-win.sh, after `make win`) runs when mingw-w64 and Wine are there, the browser's
# (tools/bench-web.sh, after `make web`) when emscripten and chromium are; else each is skipped.
bench: build data
	@failed=""; for b in $(BUILD)/bin/bench_*; do \
	  [ -x "$$b" ] || continue; "$$b" || failed="$$failed $$(basename $$b)"; \
	done; \
	if command -v i686-w64-mingw32-g++-posix >/dev/null && command -v wine >/dev/null; then \
	  { $(MAKE) --no-print-directory win && nice cmake --build build-win32 -j $(JOBS) --target bench_show && \
	    nice cmake --build build-win64 -j $(JOBS) --target bench_show && tools/bench-win.sh $(BUILD); } || failed="$$failed bench-win"; \
	else echo "make bench: bench-win skipped: it needs mingw-w64 and wine (make win-deps)"; fi; \
	if command -v emcc >/dev/null && [ -x "$${CHROMIUM:-/usr/bin/chromium}" ]; then \
	  { $(MAKE) --no-print-directory web && tools/bench-web.sh $(WEB_BUILD) $(BUILD); } || failed="$$failed bench-web"; \
	else echo "make bench: bench-web skipped: it needs emscripten (emcc) and chromium (or CHROMIUM=path)"; fi; \
	if [ -n "$$failed" ]; then echo "make bench: failed:$$failed" >&2; exit 1; fi

# The fuzz targets: a clang build with libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer.
# `make fuzz` runs each target FUZZ_SECONDS (default 600); `make test` runs each 10 s; both run
# as many at once as there are cores.
fuzz-build: deps
	cmake -S . -B $(BUILD)-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
	  -DTARVON_FUZZ=ON -DTARVON_TESTS=OFF -DTARVON_BENCH=OFF >/dev/null
	@targets=$$(for d in fuzz/*/; do [ -d "$$d" ] && echo "fuzz_$$(basename $$d)"; done); \
	if [ -n "$$targets" ]; then cmake --build $(BUILD)-fuzz -j $(JOBS) --target $$targets; fi

fuzz: fuzz-build
	@tools/run-fuzz.sh $(BUILD)-fuzz $${FUZZ_SECONDS:-600}

fuzz-smoke: fuzz-build
	@tools/run-fuzz.sh $(BUILD)-fuzz 10

# The sound library, MIDAS and a short show with the music thread under ThreadSanitizer (the sound
# tests render through the ThreadSanitizer tarvon3 too); any report fails.
tsan: deps data
	cmake -S . -B $(BUILD)-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVON_TSAN=ON -DTARVON_BENCH=OFF >/dev/null
	cmake --build $(BUILD)-tsan -j $(JOBS) --target test_sound test_midas tarvon3
	cd $(BUILD)-tsan/testrun/sound && TARVON_BIN=$$PWD/../../bin ../../bin/test_sound --gtest_brief=1
	cd $(BUILD)-tsan/testrun/midas && ../../bin/test_midas --gtest_brief=1

sanitize: deps
	cmake -S . -B $(BUILD)-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVON_SANITIZE=ON -DTARVON_BENCH=OFF
	cmake --build $(BUILD)-asan -j $(JOBS)
	cd $(BUILD)-asan && ctest --output-on-failure -j $(JOBS)

# The show in a web browser: an emscripten build into build-web/, and the static site in
# build-web/site/ (the page, tarvon3.js and .wasm, data.qvx, the loading picture as a palette
# PNG). The data comes from the native build's forge and packer, which are built first. Serve it
# with tools/serve-web.sh. emcc's optimiser needs node's acorn module from NODE_PATH.
WEB_BUILD    ?= build-web
# `make web-test` runs the browser checks (tools/check-web.sh) in headless Chromium, driven by
# puppeteer-core from npm, installed into build-web/npm when missing.
WEB_PACKAGES  = emscripten node-acorn chromium ffmpeg python3
web: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target forge qvxpack tarvon3
	@tools/make-data.sh $(BUILD)
	@$(MAKE) --no-print-directory deps PACKAGES="$(WEB_PACKAGES)"
	@command -v npm >/dev/null || $(MAKE) --no-print-directory deps PACKAGES=npm
	@[ -d $(WEB_BUILD)/npm/node_modules/puppeteer-core ] || \
	  npm install --prefix $(WEB_BUILD)/npm --no-audit --no-fund --silent puppeteer-core
	NODE_PATH=/usr/share/nodejs nice -n 10 emcmake cmake -S . -B $(WEB_BUILD) -DCMAKE_BUILD_TYPE=Release \
	  -DTARVON_WEB=ON -DTARVON_TESTS=OFF -DTARVON_BENCH=OFF >/dev/null
	NODE_PATH=/usr/share/nodejs nice -n 10 cmake --build $(WEB_BUILD) -j $(JOBS) --target site
	cp data.qvx $(WEB_BUILD)/site/data.qvx
	ffmpeg -loglevel error -y -i data/loading.tga -vf 'split[a][b];[a]palettegen=stats_mode=full[p];[b][p]paletteuse=dither=none' \
	  $(WEB_BUILD)/site/loading.png
	@echo "make web: the site is in $(WEB_BUILD)/site; serve it with tools/serve-web.sh"

web-test: web
	tools/check-web.sh $(WEB_BUILD) $(BUILD)

# Windows: tarvon3.exe, qvxpack.exe and kvoxplay.exe cross-built with mingw-w64 into build-win32/
# and build-win64/ (cmake/toolchain-mingw32.cmake, -mingw64.cmake), linked statically so that they
# need only Windows' own DLLs; the 32-bit build also has the library tests, which CTest runs
# through Wine (tools/wine-run.sh); its MPEG tests read the native build's streams. wine32 needs the
# i386 architecture, added when missing.
WIN_PACKAGES = g++-mingw-w64-i686 g++-mingw-w64-x86-64 googletest
WINE_PACKAGES = wine wine32 wine64 pulseaudio
WIN_CMAKE = -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)
win-deps:
	@$(MAKE) --no-print-directory deps PACKAGES="$(WIN_PACKAGES)"
	@dpkg --print-foreign-architectures | grep -qx i386 || { \
	  SUDO=""; [ "$$(id -u)" -ne 0 ] && SUDO=sudo; echo "Adding the i386 architecture (for wine32)"; \
	  $$SUDO dpkg --add-architecture i386 && $$SUDO apt-get update -qq; }
	@$(MAKE) --no-print-directory deps PACKAGES="$(WINE_PACKAGES)"

win: win-deps
	@tools/wine-run.sh cmd /c exit   # makes the Wine prefix first: the test programs are listed through Wine
	cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw32.cmake \
	  -DTARVON_NATIVE_BUILD=$(abspath $(BUILD)) $(WIN_CMAKE) >/dev/null
	nice cmake --build build-win32 -j $(JOBS)
	cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake -DTARVON_TESTS=OFF $(WIN_CMAKE) >/dev/null
	nice cmake --build build-win64 -j $(JOBS) --target tarvon3 qvxpack kvoxplay

# The library tests of the 32-bit build under Wine, then the whole show rendered under Wine by both
# Windows builds against the native render (tools/check-win.sh: the same frames, show.wav within 1),
# then 10 s of the 32-bit show in real time, full screen and in the fallback mode, on an Xvfb screen
# with sound into a PulseAudio null sink (tools/check-win-realtime.sh).
win-test: win build data
	cd build-win32 && ctest --output-on-failure -j $(JOBS) --timeout 600
	tools/check-win.sh $(BUILD) build-win32 build-win64
	tools/check-win-realtime.sh build-win32 10

clean:
	rm -rf $(BUILD) $(BUILD)-fuzz $(BUILD)-asan $(BUILD)-asan-show $(BUILD)-tsan $(WEB_BUILD) build-win32 build-win64 dist

# Release archives in dist/ (tools/make-dist.sh): tarvon3-VERSION-win32.zip and -win64.zip (the
# exes, data.qvx and README.txt for viewers, from tools/dist/README.txt), -linux-x86_64.tar.gz (the
# native tarvon3, data.qvx, README.txt) and -web.zip (the site of `make web`); VERSION is
# CMakeLists.txt's. `make dist-test` (part of `make test`) unpacks each into an empty folder and
# renders the first 3 s there, under Wine for the Windows ones (tools/check-dist.sh).
.PHONY: dist dist-test
dist: build data win web
	tools/make-dist.sh $(BUILD) build-win32 build-win64 $(WEB_BUILD)

dist-test: dist
	tools/check-dist.sh $(BUILD) $(WEB_BUILD)
