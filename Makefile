# The two commands of the README: `make run` and `make test`. Both install what
# is missing first (scripts/install-deps, apt-get as root or through sudo), so
# they work on a fresh machine. They share one build folder and the same
# compiler flags: `make test` after `make run` builds only the tests.
BUILD      ?= build
BUILD_TYPE ?= Release
JOBS       ?= $(shell nproc)
PREFIX     ?= /usr/local
DESTDIR    ?=
# Warnings are errors in every build of this tree, so that `make run` and
# `make test` compile the same objects; WERROR=OFF for a newer compiler.
WERROR     ?= ON
CMAKE_ARGS ?=
FUZZ_BUILD ?= build-fuzz

CONFIGURE = cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) \
	-DCMAKE_INSTALL_PREFIX=$(PREFIX) -DSERIFETCH_WERROR=$(WERROR) $(CMAKE_ARGS)
PROGRAMS  = serifetch serifetch-cli

.PHONY: all deps test-deps programs build run test bench fuzz install uninstall deb clean

all: programs

deps:
	@scripts/install-deps

test-deps:
	@scripts/install-deps --test

# Only the two programs: no test or benchmark is configured or built.
programs: deps
	@$(CONFIGURE) -DSERIFETCH_TESTS=OFF -DSERIFETCH_BENCH=OFF >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target $(PROGRAMS)

# Everything: the programs, the tests and the benchmarks.
build: test-deps
	@$(CONFIGURE) -DSERIFETCH_TESTS=ON -DSERIFETCH_BENCH=ON >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run: programs
	@$(BUILD)/bin/serifetch

test: build
	@scripts/run-tests $(BUILD)

bench: build
	@scripts/install-deps --bench
	@bench/run-all $(BUILD)

install: programs
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# Removes what the last `make install` put in place: the list CMake keeps
# names the files under PREFIX, without DESTDIR.
uninstall:
	@test -f $(BUILD)/install_manifest.txt || { echo "nothing installed from $(BUILD)" >&2; exit 1; }
	@sed 's|^|$(DESTDIR)|' $(BUILD)/install_manifest.txt | xargs -r -d '\n' rm -fv
	@rm -f $(BUILD)/install_manifest.txt

# A Debian package of the two programs in $(BUILD)/, built with CPack.
deb: PREFIX = /usr
deb: programs
	@cd $(BUILD) && cpack -G DEB

# The libFuzzer targets, with clang, in their own build folder.
fuzz: deps
	@scripts/install-deps --fuzz
	@cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	  -DSERIFETCH_FUZZ=ON -DSERIFETCH_TESTS=OFF -DSERIFETCH_BENCH=OFF >/dev/null
	@cmake --build $(FUZZ_BUILD) --target fuzz -j $(JOBS)

clean:
	@rm -rf $(BUILD)
