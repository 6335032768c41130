# Front door. `make` builds the Windows executable and the test fixtures; `make test` sets
# up what is missing and runs the whole suite; `make demo` runs the service with a demo
# companion under Wine.
SHELL := /bin/bash
.DEFAULT_GOAL := all

# The system scenarios each have a prefix of their own and run side by side.
CTEST_WINDOWS := ctest --preset windows --output-on-failure -j2
CTEST_NATIVE := ctest --preset native --output-on-failure

.PHONY: all setup windows native test unit-test system-test release-test demo fuzz bench soak format lint clean dist msi \
	check-release

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

# The Wine system tests alone (tests/system), or everything else.
system-test: windows
	$(CTEST_WINDOWS) -L system

# A signed release made and checked in a fresh clone with a throw-away certificate authority
# (tests/release): four to seven minutes, so apart from `make test`; .ci/run runs both.
release-test: windows
	cd tests/release && QELT_BIN_DIR=$(CURDIR)/build/windows/bin python3 -m unittest -v test_signed_release

unit-test: windows native
	$(CTEST_NATIVE)
	$(CTEST_WINDOWS) -LE system

# The descriptor fuzzer for longer than the short run of `make test`, FUZZ_SECONDS; findings
# land in build/native/fuzz/descriptor/findings.
FUZZ_SECONDS ?= 600

fuzz: native
	tests/fuzz/run-fuzzer build/native/tests/descriptor_fuzzer $(FUZZ_SECONDS) build/native/fuzz/descriptor \
		tests/fuzz/corpus/descriptor

clean:
	rm -rf build

# A release: build/dist/QeltWatch-<version>.zip and SHA256SUMS, packed only when a second build
# of the same sources at another path (build/dist-check) gives the same executable bytes; with
# COMPANION=path/to/qelt-monitor.exe, the installer package beside them, checked the same way.
# With SIGN_CERT=... (and SIGN_KEY=... for PEM files; a key's or PKCS#12 file's password in the
# environment variable SIGN_PASSWORD), both are signed and their signatures written beside them;
# SIGN_URL names the program's URL in the signature, SIGN_TIMESTAMP a time-stamp server.
dist: build/windows/build.ninja
	cmake --build --preset windows --target QeltWatch QeltWatchSetup
	tools/dist $(if $(COMPANION),"$(COMPANION)") $(if $(SIGN_CERT),--sign-cert "$(SIGN_CERT)") \
		$(if $(SIGN_KEY),--sign-key "$(SIGN_KEY)") $(if $(SIGN_URL),--sign-url "$(SIGN_URL)") \
		$(if $(SIGN_TIMESTAMP),--sign-timestamp "$(SIGN_TIMESTAMP)")

# Checks a published release (RELEASE=dir, with COMPANION=... when it holds the package) against
# this clone, checked out at the release's commit: rebuilt unsigned, each published signature
# attached, compared byte for byte (tools/check-release).
check-release:
	@test -n "$(RELEASE)" || { echo "make check-release: give the release: make check-release RELEASE=dir" >&2; exit 2; }
	$(MAKE) dist SIGN_CERT= SIGN_KEY= SIGN_URL= SIGN_TIMESTAMP=
	tools/check-release "$(RELEASE)" $(if $(COMPANION),"$(COMPANION)")

# The Windows Installer package build/dist/QeltWatch-<version>.msi, with the integrator's
# companion: make msi COMPANION=path/to/qelt-monitor.exe (tools/msi, packaging/QeltWatch.wxs).
msi: build/windows/build.ninja
	@test -n "$(COMPANION)" || { echo "make msi: give the companion: make msi COMPANION=path/to/qelt-monitor.exe" >&2; exit 2; }
	cmake --build --preset windows --target QeltWatch QeltWatchSetup
	tools/msi "$(COMPANION)"

# Benchmarks and soak: their own build tree (the product plus reference programs and probes)
# and their own Wine prefixes under build/bench. Neither is part of `make test`.
BENCH_BUILD := build/bench
SOAK_SECONDS ?= 600

.PHONY: bench-programs

$(BENCH_BUILD)/build.ninja: CMakePresets.json | setup
	cmake --preset windows -B $(BENCH_BUILD) -DQELT_BENCH=ON >/dev/null

bench-programs: $(BENCH_BUILD)/build.ninja
	cmake --build $(BENCH_BUILD) --target bench_programs

bench: bench-programs
	PYTHONPATH=tools python3 bench/run_bench.py

soak: bench-programs
	python3 bench/log_check_selftest.py
	python3 bench/soak.py --seconds $(SOAK_SECONDS)

FORMAT_FILES = $(shell git ls-files '*.cpp' '*.h')

format:
	clang-format -i $(FORMAT_FILES)

MINGW_CXX_INCLUDE := /usr/lib/gcc/x86_64-w64-mingw32/12-posix/include/c++
TIDY_MINGW_ARGS := --extra-arg=--target=x86_64-w64-mingw32 \
	--extra-arg=-isystem$(MINGW_CXX_INCLUDE) \
	--extra-arg=-isystem$(MINGW_CXX_INCLUDE)/x86_64-w64-mingw32 \
	--extra-arg=-isystem$(MINGW_CXX_INCLUDE)/backward

lint: windows
	clang-format --dry-run --Werror $(FORMAT_FILES)
	clang-tidy -p build/windows --quiet $(TIDY_MINGW_ARGS) $(shell git ls-files 'src/*.cpp' 'packaging/*.cpp')

demo: windows
	tools/demo
