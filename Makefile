# Entry points for people; CMake does the building.
RELEASE_DIR := build/release
TEST_DIR := build/asan
FUZZ_DIR := build/fuzz
JOBS ?= $(shell nproc)
export CCACHE_BASEDIR := $(CURDIR)
# Debug builds would hash the build folder too; without it a fresh clone reuses the cache.
export CCACHE_NOHASHDIR := 1
PREFIX ?= /usr/local
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")

.PHONY: deps build run test bench fuzz clean install uninstall

deps:
	@bash scripts/install-deps.sh

build: deps
	@if [ ! -f $(RELEASE_DIR)/CMakeCache.txt ]; then cmake -S . -B $(RELEASE_DIR) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DBUILD_BENCHMARKS=ON; fi
	cmake --build $(RELEASE_DIR) -j$(JOBS)

run: build
	$(RELEASE_DIR)/tamsel/tamsel $(FILE)

test: deps
	@if [ ! -f $(TEST_DIR)/CMakeCache.txt ]; then cmake -S . -B $(TEST_DIR) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DSANITIZE=ON -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g"; fi
	cmake --build $(TEST_DIR) -j$(JOBS)
	cd $(TEST_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

# DESTDIR (from the environment or the command line) stages the files for a package.
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(RELEASE_DIR) --prefix "$(PREFIX)"

uninstall:
	DESTDIR="$(DESTDIR)" cmake -DMANIFEST=$(RELEASE_DIR)/install_manifest.txt -P desktop/Uninstall.cmake

bench: build
	@for b in $(RELEASE_DIR)/bench/bench_*; do [ -x "$$b" ] && "$$b"; done

fuzz:
	@bash scripts/install-deps.sh --fuzz
	@if [ ! -f $(FUZZ_DIR)/CMakeCache.txt ]; then CXX=clang++ cmake -S . -B $(FUZZ_DIR) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_FUZZERS=ON; fi
	cmake --build $(FUZZ_DIR) -j$(JOBS) --target fuzz_rtf_reader
	mkdir -p $(FUZZ_DIR)/corpus && cp -n tests/data/rtf/*.rtf $(FUZZ_DIR)/corpus/ 2>/dev/null || true
	$(FUZZ_DIR)/fuzz/fuzz_rtf_reader $(FUZZ_DIR)/corpus -max_total_time=$${FUZZ_SECONDS:-60} -max_len=65536

clean:
	rm -rf build
