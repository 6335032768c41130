# Front door. `make` builds the Windows executable and the test fixtures; `make test` sets
# up what is missing and runs the whole suite; `make demo` runs the service with a demo
# companion under Wine.
SHELL := /bin/bash
.DEFAULT_GOAL := all

CTEST_WINDOWS := ctest --preset windows --output-on-failure
CTEST_NATIVE := ctest --preset native --output-on-failure

.PHONY: all setup windows native test unit-test system-test demo fuzz bench soak format lint clean

setup:
	@tools/setup

build/windows/build.ninja: CMakePresets.json | setup
	cmake --preset windows >/dev/null

build/native/build.ninja: CMakePresets.json | setup
	cmake --preset native >/dev/null

windows: build/windows/build.ninja
	cmake --build --preset windows

native: build/native/build.ninja
	cmake --build --preset native

all: windows

test: windows native
	$(CTEST_NATIVE)
	$(CTEST_WINDOWS)

clean:
	rm -rf build
