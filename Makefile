# Thin wrapper over the CMake presets. PRESET picks the build (dev, release,
# asan, tsan, clang); its programs land in the preset's folder under bin/.
PRESET ?= dev
JOBS ?= $(shell nproc)
BUILD_DIR := $(if $(filter dev,$(PRESET)),build,build-$(PRESET))

.PHONY: all build test run deps fuzz tsan format clean

all: build

deps:
	@scripts/install-deps.sh

$(BUILD_DIR)/CMakeCache.txt:
	cmake --preset $(PRESET)

build: deps $(BUILD_DIR)/CMakeCache.txt
	cmake --build --preset $(PRESET) -j $(JOBS)

test: build
	ctest --preset $(PRESET) -j $(JOBS)

# On a desktop the demo opens its window; without a display it runs
# headless on the virtual clock and writes the frames it shows.
run: build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  $(BUILD_DIR)/bin/tsuzuri --transcript - $(BUILD_DIR)/demo; \
	else \
	  rm -rf $(BUILD_DIR)/demo-frames; \
	  $(BUILD_DIR)/bin/tsuzuri --headless --virtual-clock --transcript - \
	    --frames-dir $(BUILD_DIR)/demo-frames $(BUILD_DIR)/demo && \
	  echo "No display here: the demo ran headless; its frames are in $(BUILD_DIR)/demo-frames/"; \
	fi

# Builds the libFuzzer targets and gives each a short run over its corpus.
fuzz: deps
	@test -f build-fuzz/CMakeCache.txt || cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS)
	scripts/run-fuzzers.sh build-fuzz/bin $(FUZZ_SECONDS)

# The threaded parts under ThreadSanitizer: the sound streams, their
# thread and the sound card's, against the commands that change them.
tsan: deps
	@test -f build-tsan/CMakeCache.txt || cmake --preset tsan
	cmake --build --preset tsan -j $(JOBS) --target sound_system_test
	build-tsan/bin/sound_system_test

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build build-*
