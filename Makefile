# The two commands of the README: `make run` and `make test`. Both install what
# is missing first, so they work on a fresh machine.
BUILD      ?= build
BUILD_TYPE ?= Release
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=
FUZZ_BUILD ?= build-fuzz

.PHONY: all deps configure build run test bench fuzz install clean

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

# The libFuzzer targets, with clang, in their own build folder.
fuzz: deps
	@scripts/install-deps --fuzz
	@cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	  -DSERIFETCH_FUZZ=ON -DSERIFETCH_TESTS=OFF -DSERIFETCH_BENCH=OFF >/dev/null
	@cmake --build $(FUZZ_BUILD) --target fuzz -j $(JOBS)

install: build
	@cmake --install $(BUILD)

clean:
	@rm -rf $(BUILD)
