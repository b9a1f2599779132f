# The 32-bit Windows build: cross-compiled into build-win32/ and tested under Wine.
#   make windows       QUARVELIN.EXE, quarvelin-cli.exe and the core test programs
#   make test-windows  the core tests, the byte identity with the Linux build and
#                      the dialog, all under Wine (installs what it needs)
# Wine runs 32-bit programs only where the kernel runs 32-bit code. Where it
# does not, the tests run on the same sources built for 64-bit Windows
# (build-win64/), and say so.
WIN32_BUILD := build-win32
WIN64_BUILD := build-win64
WINDOWS_PROGRAMS := QUARVELIN quarvelin-cli dialog_driver
# Tests of the Linux host tools start programs through a POSIX shell.
WINDOWS_HOST_ONLY_TESTS := cli_test|console_test|export_test|laz_test|prepare_test|render_test|volume_test

.PHONY: windows-deps windows-win64 test-windows-run

windows-deps:
	@bash scripts/windows/install.sh

# Configures and builds one cross build: $(1) folder, $(2) toolchain file.
# Configuring every time keeps the list of test programs current.
define windows_build
	@cmake -S . -B $(1) -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/$(2) >/dev/null
	cmake --build $(1) -j $(JOBS) --target $(WINDOWS_PROGRAMS) \
	  $$(ninja -C $(1) -t targets all | grep -oE '^[a-z_0-9]+_test\.exe' | sort -u | grep -vE '^($(WINDOWS_HOST_ONLY_TESTS))\.exe$$' | sed 's/\.exe$$//')
endef

windows: windows-deps
	$(call windows_build,$(WIN32_BUILD),toolchain-mingw32.cmake)

windows-win64: windows-deps
	$(call windows_build,$(WIN64_BUILD),toolchain-mingw64.cmake)

test-windows: windows $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS) --target quarvelin-cli quarvelin-prepare
	@if WIN_BUILD=$(WIN32_BUILD) bash scripts/windows/probe.sh; then \
	  $(MAKE) --no-print-directory test-windows-run WIN_BUILD=$(WIN32_BUILD); \
	else \
	  echo "Wine cannot run 32-bit programs on this machine (see above): testing the 64-bit build of the same sources"; \
	  $(MAKE) --no-print-directory windows-win64 && $(MAKE) --no-print-directory test-windows-run WIN_BUILD=$(WIN64_BUILD); \
	fi

test-windows-run:
	bash scripts/windows/run-tests.sh $(WIN_BUILD)
	bash tests/windows/identity_test.sh $(BUILD) $(WIN_BUILD)
	bash tests/windows/gui_test.sh $(BUILD) $(WIN_BUILD) $(WIN_BUILD)/pictures
