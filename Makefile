# The two commands of the README: `make run` and `make test`. Both install what
# is missing first, so they work on a fresh machine.
BUILD      ?= build
BUILD_TYPE ?= Release
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=

.PHONY: all deps configure build run test bench install clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_ARGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@$(BUILD)/bin/serifetch

test: CMAKE_ARGS += -DSERIFETCH_WERROR=ON
test: build
	@scripts/run-tests $(BUILD)

bench: deps
	@scripts/install-deps --bench
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_ARGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)
	@bench/run-all $(BUILD)

install: build
	@cmake --install $(BUILD)

clean:
	@rm -rf $(BUILD)
