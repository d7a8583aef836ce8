# make test          install what is missing, build, run every test (and the core tests under ASan+UBSan)
# make run URL=... DIR=...   download one page into DIR (ARGS="..." runs any kaplo command)
# make bench         build and run the benchmarks
# make fuzz SECONDS=60       build the libFuzzer targets with clang and run each
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc)
SECONDS    ?= 60
CMAKE_GEN  := -G Ninja

.PHONY: all setup configure build test test-release test-asan run bench fuzz clean

all: build

setup:
	@bash scripts/setup

configure: setup
	@cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: test-release test-asan

test-release: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 300

test-asan: setup
	@cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DKAPLO_SANITIZE=ON -DKAPLO_BENCH=OFF >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 600 -L core

run: build
ifneq ($(URL),)
	@$(BUILD)/bin/kaplo download "$(URL)" $(if $(DIR),"$(DIR)") $(ARGS)
else
	@$(BUILD)/bin/kaplo $(ARGS)
endif

bench: build
	@for b in $(BUILD)/bin/*_bench; do echo "== $$b"; $$b; done
	@bash bench/download_vs_wget.sh $(BUILD)/bin/kaplo
	@KAPLO=$(BUILD)/bin/kaplo bash bench/startup_vs_tools.sh
	@KAPLO=$(BUILD)/bin/kaplo bash bench/find_vs_tools.sh
	@KAPLO=$(BUILD)/bin/kaplo bash bench/diff_vs_tools.sh

fuzz: setup
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAPLO_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@for f in $(FUZZ_BUILD)/bin/*_fuzz; do \
	  name=$$(basename $$f); mkdir -p fuzz-corpus/$$name; \
	  echo "== $$name ($(SECONDS) s)"; \
	  dict=$$([ -f fuzz/$$name.dict ] && echo -dict=fuzz/$$name.dict); \
	  $$f -max_total_time=$(SECONDS) -max_len=65536 $$dict fuzz-corpus/$$name 2>&1 | grep -E 'Done [0-9]+ runs|ERROR|SUMMARY' || true; \
	done

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
