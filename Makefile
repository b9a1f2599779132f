# make demo: builds the bundled road survey and prints where its outputs are.
# make test: the whole test suite, in a normal build and under ASan + UBSan,
# a bounded run of the fuzz targets, and the Windows build under Wine.
BUILD := build
SANITIZE_BUILD := build-sanitize
JOBS ?= $(shell nproc)

.PHONY: all deps build demo demo-contours test test-normal test-sanitize clean

all: build

deps:
	@bash scripts/install-deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release

$(SANITIZE_BUILD)/build.ninja:
	cmake -S . -B $(SANITIZE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUARVELIN_SANITIZE=ON

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

demo: build
	@bash scripts/demo.sh $(BUILD) road

demo-contours: build
	@bash scripts/demo.sh $(BUILD) contours

test-normal: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 600

test-sanitize: deps $(SANITIZE_BUILD)/build.ninja
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS) --timeout 900

test: test-normal test-sanitize test-fuzz test-windows

# The 32-bit Windows build and its tests under Wine.
include mk/windows.mk
# The fuzz targets under libFuzzer.
include mk/fuzz.mk

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(FUZZ_BUILD)
