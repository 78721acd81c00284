# Front door. Both targets start from a fresh clone on Debian: they install what they
# need (scripts/install-deps), build from scratch and run.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: deps build test cockpit bench fuzz package clean windows test-windows

deps:
	scripts/install-deps

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

# Builds and passes every unit and end-to-end test.
test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 300

# The main job: the simulator stand-in flies its built-in flight and feeds both display
# units (unit 2 EICAS, unit 3 MFD). With no display the units run headless and write
# PNG screenshots into $(BUILD)/cockpit/.
cockpit: build
	scripts/run-cockpit $(BUILD)

# The Debian package (CPack), then checked unpacked into a scratch root and run from there.
package: build
	cmake --build $(BUILD) --target package
	scripts/check-package $(BUILD)

bench: build
	scripts/run-benchmarks $(BUILD)

# Windows: the same programs cross-built with MinGW-w64 into build-windows/, and the zip a
# Windows user unpacks (build-windows/orvex-VERSION-windows-x64.zip). See docs/WINDOWS.md.
WINDOWS_BUILD ?= build-windows
windows:
	scripts/install-deps windows
	cmake -S . -B $(WINDOWS_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release
	cmake --build $(WINDOWS_BUILD) -j $(JOBS)
	cmake --build $(WINDOWS_BUILD) --target windows_zip

# The Windows programs under Wine: unit tests, the picture of a frozen state against the
# Linux build's, and whatever else tests/windows/*.sh holds.
test-windows: windows build
	scripts/test-windows $(WINDOWS_BUILD) $(BUILD)

clean:
	rm -rf $(BUILD) $(WINDOWS_BUILD)
