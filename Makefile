# Developer entry points. `make run` and `make test` set up a fresh machine
# (Debian packages) before building.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
CMAKE_ARGS ?=
JOBS       ?= $(shell nproc)
PREFIX     ?= $(HOME)/.local

.PHONY: all deps configure build run test bench asan-test fuzz clean install uninstall deb

all: build

deps:
	@bash scripts/install-deps.sh

configure:
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release $(CMAKE_ARGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: deps build
	./$(BUILD)/src/app/quillmark2 $(ARGS)

test: deps build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: deps build
	@bash scripts/run-bench.sh $(BUILD)

asan-test: deps
	@cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQM_SANITIZE=ON -DQM_BUILD_BENCH=OFF >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

# libFuzzer needs clang; the fuzz build instruments the whole engine.
fuzz: deps
	@CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_FUZZ=ON -DQM_SANITIZE=ON -DQM_BUILD_GUI=OFF -DQM_BUILD_BENCH=OFF -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_targets
	@bash fuzz/run-fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS) $(FUZZ_TARGETS)

# The programs and what the desktop needs of them into PREFIX (default
# ~/.local); `make uninstall PREFIX=...` removes exactly what was installed.
INSTALL_TARGETS = quillmark2 quillmark2-cli qm_icons qm_man_pages

install: configure
	@cmake --build $(BUILD) -j $(JOBS) --target $(INSTALL_TARGETS)
	@bash scripts/prefix-install.sh install $(BUILD) $(PREFIX)

uninstall:
	@bash scripts/prefix-install.sh uninstall $(PREFIX)

# A Debian package in $(BUILD)/package; its dependencies are read off the
# shared libraries the programs link.
deb: deps configure
	@cmake --build $(BUILD) -j $(JOBS) --target $(INSTALL_TARGETS)
	cd $(BUILD) && cpack -G DEB
	@dpkg-deb --info $(BUILD)/package/*.deb

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
