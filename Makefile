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

# Every target runs FUZZ_SECONDS (default 60) from its seeds in fuzz/corpus/<target>; what it finds
# new goes to build/fuzz/corpus/<target>, a crashing input to build/fuzz/crash-*.
FUZZ_TARGETS := fuzz_rtf_reader fuzz_pelmora fuzz_compressed_document fuzz_plain_text fuzz_ini_file \
	fuzz_history_file fuzz_metafile fuzz_picture fuzz_gif_roundtrip fuzz_pdf_structure fuzz_table_text

fuzz:
	@bash scripts/install-deps.sh --fuzz
	@if [ ! -f $(FUZZ_DIR)/CMakeCache.txt ]; then CXX=clang++ cmake -S . -B $(FUZZ_DIR) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_FUZZERS=ON; fi
	cmake --build $(FUZZ_DIR) -j$(JOBS) --target $(FUZZ_TARGETS)
	mkdir -p $(FUZZ_DIR)/corpus/fuzz_rtf_reader && cp -n tests/data/rtf/*.rtf $(FUZZ_DIR)/corpus/fuzz_rtf_reader/ 2>/dev/null || true
	@for target in $(FUZZ_TARGETS); do \
		mkdir -p $(FUZZ_DIR)/corpus/$$target && \
		echo "== $$target" && \
		(cd $(FUZZ_DIR) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 ./fuzz/$$target corpus/$$target $(CURDIR)/fuzz/corpus/$$target \
			-max_total_time=$${FUZZ_SECONDS:-60} -max_len=65536 -rss_limit_mb=2560 -timeout=30 -print_final_stats=1) || exit 1; \
	done

clean:
	rm -rf build
