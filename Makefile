# Two commands for a fresh Debian 12 machine:
#   make run   - installs what is missing, builds, creates the database if missing, starts the program
#   make test  - installs what is missing, builds and runs every test
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: deps configure build run test test-asan bench package package-check clean fuzz fuzz-ci

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run.sh $(BUILD)/bin

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The same tests built with AddressSanitizer and UndefinedBehaviorSanitizer. The engine's own threads
# outlive main, so leaks are not counted.
test-asan: deps
	@cmake -S . -B $(BUILD)-asan -DKORVANE_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
	@cmake --build $(BUILD)-asan -j $(JOBS)
	@cd $(BUILD)-asan && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

# The libFuzzer targets of tests/fuzz, built by clang with AddressSanitizer and UndefinedBehaviorSanitizer
# in a folder of their own; fuzz-ci runs each for FUZZ_SECONDS on its seed corpus.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 30
fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DKORVANE_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS)

fuzz-ci: fuzz
	@scripts/run-fuzzers.sh $(FUZZ_BUILD)/fuzz $(FUZZ_SECONDS)

# The Debian package build/korvane_VERSION_amd64.deb, and the checks a distribution runs on it.
package: build
	@cd $(BUILD) && cpack -G DEB >/dev/null && ls -1 $(CURDIR)/$(BUILD)/korvane_*.deb

package-check: package
	@scripts/check-package.sh $(BUILD)

bench: build
	@$(BUILD)/bin/korvane-bench

clean:
	rm -rf $(BUILD)
