# Two entry points: `make demo` and `make test`. Both install missing Debian packages first.
BUILD := build
JOBS ?= $(shell nproc)
CMAKE_FLAGS := -G Ninja -DCMAKE_BUILD_TYPE=Release

.PHONY: all deps configure build images demo test test-release test-asan test-tsan bench clean \
        windows test-windows bench-windows dist test-fresh install

all: build

deps:
	@./tools/install-deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Redraws the editor's built-in images into resources/ (the build embeds the committed files).
images: configure
	cmake --build $(BUILD) -j $(JOBS) --target quorvella-make-images
	./$(BUILD)/quorvella-make-images resources

demo: build
	./tools/demo.sh $(BUILD) out

test-release: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) -LE windows

# Address and undefined-behaviour sanitizers over the whole suite.
test-asan: configure
	cmake -S . -B $(BUILD)/asan $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Debug -DQUORVELLA_SANITIZE=address >/dev/null
	cmake --build $(BUILD)/asan -j $(JOBS)
	cd $(BUILD)/asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS) -LE slow

# Thread sanitizer over the tests that exercise several threads.
test-tsan: configure
	cmake -S . -B $(BUILD)/tsan $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVELLA_SANITIZE=thread >/dev/null
	cmake --build $(BUILD)/tsan -j $(JOBS)
	cd $(BUILD)/tsan && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -j $(JOBS) -L threads

# Windows: both DLLs, the host tools and the test programs, cross-compiled with mingw-w64.
WINDOWS_ARCHS := win32 win64
TOOLCHAIN_win32 := cmake/toolchains/mingw-i686.cmake
TOOLCHAIN_win64 := cmake/toolchains/mingw-x86_64.cmake

$(BUILD)/%/build.ninja:
	cmake -S . -B $(BUILD)/$* $(CMAKE_FLAGS) -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/$(TOOLCHAIN_$*) >/dev/null

windows: deps $(foreach a,$(WINDOWS_ARCHS),$(BUILD)/$(a)/build.ninja)
	for a in $(WINDOWS_ARCHS); do cmake --build $(BUILD)/$$a -j $(JOBS) || exit 1; done

# The Windows suites under Wine, each architecture in a fresh prefix, then the checks that
# cross the boundary: the same samples as the Linux plug-in, OSC with Linux clients, and
# the DLLs' editors driven from the Linux build (ctest -L windows).
test-windows: build windows
	for a in $(WINDOWS_ARCHS); do rm -rf $(BUILD)/$$a/wine-prefix; done
	for a in $(WINDOWS_ARCHS); do (cd $(BUILD)/$$a && ctest --output-on-failure -j $(JOBS)) || exit 1; done
	./tools/wine/same-samples.sh $(BUILD) $(BUILD)/win32 $(BUILD)/win64
	./tools/wine/osc-across.sh $(BUILD) $(BUILD)/win32
	./tools/wine/osc-across.sh $(BUILD) $(BUILD)/win64
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS) -DQUORVELLA_WINDOWS_BUILDS="$(BUILD)/win32;$(BUILD)/win64" >/dev/null
	cmake --build $(BUILD) -j $(JOBS) --target quorvella_wine_editor_test
	cd $(BUILD) && ctest --output-on-failure -L windows

test: test-release test-asan test-tsan test-windows

# The VST plug-in into ~/.vst and the LV2 bundle into ~/.lv2, for the current user (no
# root). Packagers: `make install PREFIX=/usr DESTDIR=...` uses $(PREFIX)/lib/vst and
# $(PREFIX)/lib/lv2 under DESTDIR.
install: build
	PREFIX="$(PREFIX)" DESTDIR="$(DESTDIR)" ./tools/install.sh $(BUILD)

# Archives for users: Linux x86-64 and Windows 32/64-bit, each with the plug-in, the README,
# the docs, the example skin and an install note.
dist: build windows
	./tools/dist.sh $(BUILD) dist

bench: build
	./$(BUILD)/bench/quorvella-bench
	./bench/standalone-jack.sh $(BUILD)
	./$(BUILD)/bench/quorvella-midi-bench
	./$(BUILD)/bench/quorvella-osc-bench
	./$(BUILD)/bench/quorvella-hostile-bench
	./$(BUILD)/bench/quorvella-editor-bench
	./$(BUILD)/bench/quorvella-product-editor-bench
	./$(BUILD)/bench/quorvella-face-bench

# The processing benchmark of both Windows DLL builds under Wine, beside `make bench`.
bench-windows: windows
	for a in $(WINDOWS_ARCHS); do tools/wine/run $$a $(BUILD)/$$a/bench/quorvella-bench.exe || exit 1; done

# The README's `make test` in a bare Debian root with a clean clone of HEAD, as a new user
# with nothing installed by hand (not part of `make test`; needs root or sudo and the network).
test-fresh: deps
	./tools/test-fresh.sh

clean:
	rm -rf $(BUILD) out dist
