# Two entry points: `make demo` and `make test`. Both install missing Debian packages first.
BUILD := build
JOBS ?= $(shell nproc)
CMAKE_FLAGS := -G Ninja -DCMAKE_BUILD_TYPE=Release

.PHONY: all deps configure build images demo test test-release test-asan test-tsan bench clean

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
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

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

test: test-release test-asan test-tsan

bench: build
	./$(BUILD)/bench/quorvella-bench
	./$(BUILD)/bench/quorvella-midi-bench
	./$(BUILD)/bench/quorvella-osc-bench
	./$(BUILD)/bench/quorvella-hostile-bench
	./$(BUILD)/bench/quorvella-editor-bench
	./$(BUILD)/bench/quorvella-product-editor-bench

clean:
	rm -rf $(BUILD) out
