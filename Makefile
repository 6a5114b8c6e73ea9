# make        builds the program as build/zarvel (Release)
# make run    installs what is missing, builds, starts zarvel on DATA
# make test   installs what is missing, builds with ASan and UBSan, runs every test
# make install  builds, then installs under PREFIX (default /usr/local)
# make fuzz   builds the libFuzzer targets with clang and runs each for FUZZ_SECONDS
# make bench  builds in Release and prints every performance figure against its floor
# make format  formats the C++ sources; make format-check only checks them
# make deb    builds the Debian package build-deb/zarvel_<version>_<arch>.deb and lints it
DATA ?= $(HOME)/.local/share/zarvel
PREFIX ?= /usr/local
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60
# Empty: every target of fuzz/; or a list such as FUZZ_TARGETS="cp932 message".
FUZZ_TARGETS ?=
# An X display (an Xvfb, say :26) for the start-up figures on X as well.
BENCH_DISPLAY ?=

.PHONY: all build run test deps clean bench fuzz install screenshots format format-check deb

all: build

deps:
	scripts/install-deps

build/build.ninja:
	cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DZARVEL_TESTS=OFF -DCMAKE_INSTALL_PREFIX=$(PREFIX)

build: build/build.ninja
	cmake --build build -j $(JOBS)

run: deps build
	build/zarvel "$(DATA)"

build-asan/build.ninja:
	cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZARVEL_SANITIZE=ON

test: deps build-asan/build.ninja
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ctest -j $(JOBS) --output-on-failure

bench:
	scripts/install-deps --bench
	cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DZARVEL_BENCH=ON -DZARVEL_TESTS=OFF
	cmake --build build-bench -j $(JOBS) --target zarvel_bench
	ZARVEL_BENCH_DISPLAY=$(BENCH_DISPLAY) build-bench/bench/zarvel_bench

# The fuzz build keeps its grown corpus in build-fuzz/fuzz-corpus and any
# crashing input in build-fuzz/fuzz-artifacts.
fuzz:
	scripts/install-deps --fuzz
	test -f build-fuzz/build.ninja || CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g" \
	  -DZARVEL_FUZZ=ON -DZARVEL_TESTS=OFF
	cmake --build build-fuzz --target fuzzers -j $(JOBS)
	fuzz/run build-fuzz $(FUZZ_SECONDS) $(FUZZ_TARGETS)

# The Release build under PREFIX (DESTDIR for staging): PREFIX/bin/zarvel
# starts the program on ~/.local/share/zarvel.
install: build
	DESTDIR="$(DESTDIR)" cmake --install build --prefix "$(PREFIX)"

format: deps
	scripts/format

format-check: deps
	scripts/format --check

# Out of tree, in build-deb/ (which also caches the chroot of
# tests/package/install_in_chroot).
deb:
	scripts/install-deps --deb
	scripts/build-deb

clean:
	rm -rf build build-asan build-bench build-fuzz build-deb
