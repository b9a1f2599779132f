# The fuzz targets of tests/fuzz/, built with Debian's clang and libFuzzer
# into build-fuzz/ (under ASan and UBSan) and run for a bounded time each.
#   make test-fuzz                     every target for FUZZ_SECONDS (part of make test)
#   make test-fuzz FUZZ_SECONDS=3600 FUZZ_SEED=0   a longer campaign with a new seed
FUZZ_BUILD := build-fuzz
FUZZ_SECONDS ?= 10
FUZZ_TARGETS := $(basename $(notdir $(wildcard tests/fuzz/*_fuzz.cpp)))

.PHONY: test-fuzz

$(FUZZ_BUILD)/build.ninja:
	cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
	  -DCMAKE_CXX_COMPILER=clang++ -DQUARVELIN_FUZZ=ON -DQUARVELIN_GUI=OFF

test-fuzz: deps $(FUZZ_BUILD)/build.ninja
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(FUZZ_TARGETS)
	bash scripts/fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS) $(FUZZ_TARGETS)
