# Thin front over CMake and CTest. `make run` and `make test` do all set-up themselves.
BUILD      ?= build
BUILD_TYPE ?= RelWithDebInfo
CMAKE_ARGS ?=
ARGS       ?=
PREFIX     ?= /usr/local
JOBS       ?= $(shell nproc)
LAUNCHER   := $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)

.PHONY: all deps configure build install package run test bench bench-events bench-clean bench-pool bench-downloads clean test-asan test-tsan fuzz reliability format check-format

all: build

deps:
	./scripts/install-deps

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(LAUNCHER) $(CMAKE_ARGS)

configure: $(BUILD)/build.ninja

build: deps configure
	cmake --build $(BUILD) -j $(JOBS)

# DESTDIR (from the environment or the command line) stages the tree elsewhere.
install: build
	DESTDIR=$(DESTDIR) cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package (CPack), written into $(BUILD).
package: build
	cd $(BUILD) && cpack -G DEB

run: build
	$(BUILD)/src/apps/quorvane/quorvane $(ARGS)

test: build
	./scripts/run-tests $(BUILD)

bench: build
	./scripts/run-bench $(BUILD)

# Only the request-events section of make bench (controller against bare engine), on stdout.
bench-events: build
	./scripts/bench-events $(BUILD)

# The trace cleaner against BleachBit on a generated Firefox profile, on stdout.
bench-clean: build
	./scripts/bench-clean $(BUILD)

# The anonymous upstream pool against tinyproxy alone and direct, failover, checks.
bench-pool: build
	./scripts/bench-pool $(BUILD)

# The download worker beside curl, wget and aria2c (SIZE=bytes, DURATION=seconds per rate).
bench-downloads: build
	./scripts/bench-downloads $(BUILD)

clean:
	rm -rf $(BUILD)

# Sanitizer suites: the whole test suite built with AddressSanitizer and
# UndefinedBehaviorSanitizer, or with ThreadSanitizer, each in its own folder.
# TEST_ARGS goes to ctest (for example TEST_ARGS="-L unit").
TEST_ARGS ?=
SAN_CMAKE_ARGS := -DQUORVANE_BUILD_BENCH=OFF $(CMAKE_ARGS)
SAN_ENV := ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1 \
           LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0 \
           UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
           TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$(CURDIR)/scripts/tsan.supp

test-asan: deps
	$(MAKE) build BUILD=build-asan CMAKE_ARGS="-DQUORVANE_SANITIZE=address,undefined $(SAN_CMAKE_ARGS)"
	$(SAN_ENV) ./scripts/run-tests build-asan $(TEST_ARGS)

# The screenshot test is left out of the ThreadSanitizer suite: rendering hands image
# conversions to Qt's own thread pool, whose unsymbolised, uninstrumented internals
# it reports; only the main thread of ours takes part there.
test-tsan: deps
	$(MAKE) build BUILD=build-tsan CMAKE_ARGS="-DQUORVANE_SANITIZE=thread $(SAN_CMAKE_ARGS)"
	$(SAN_ENV) ./scripts/run-tests build-tsan -E '^Screenshots[.]' $(TEST_ARGS)

# Fuzz targets (clang's libFuzzer) with AddressSanitizer and UndefinedBehaviorSanitizer,
# each run for FUZZ_SECONDS; FUZZ_TARGETS picks some (names as in tests/fuzz/corpus).
FUZZ_SECONDS ?= 60
FUZZ_BUILD   ?= build-fuzz

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(LAUNCHER) \
	  -DQUORVANE_BUILD_FUZZ=ON -DQUORVANE_BUILD_TESTS=OFF -DQUORVANE_BUILD_BENCH=OFF -DQUORVANE_BUILD_UI=OFF \
	  -DQUORVANE_SANITIZE=address,undefined
	cmake --build $(FUZZ_BUILD) --target fuzz_targets -j $(JOBS)
	FUZZ_SECONDS=$(FUZZ_SECONDS) ./scripts/run-fuzz $(FUZZ_BUILD)

# Load, slow clients, faults, bad input and access against the headless program; one table.
reliability: build
	./scripts/run-reliability $(BUILD)

# Every C++ source in the project's own style (.clang-format); check-format only reports.
format: deps
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

check-format: deps
	./scripts/check-format
