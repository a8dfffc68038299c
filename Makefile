# Thin front over CMake and CTest. `make run` and `make test` do all set-up themselves.
BUILD      ?= build
BUILD_TYPE ?= RelWithDebInfo
CMAKE_ARGS ?=
ARGS       ?=
JOBS       ?= $(shell nproc)
LAUNCHER   := $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)

.PHONY: all deps configure build run test bench clean

all: build

deps:
	./scripts/install-deps

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(LAUNCHER) $(CMAKE_ARGS)

configure: $(BUILD)/build.ninja

build: deps configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/src/apps/quorvane/quorvane $(ARGS)

test: build
	./scripts/run-tests $(BUILD)

bench: build
	./scripts/run-bench $(BUILD)

clean:
	rm -rf $(BUILD)
