# make run   installs what is missing, builds, starts the simulator and the application
# make test  installs what is missing, builds, runs the whole suite headless
# make fuzz  runs each parser's fuzz target for FUZZ_SECONDS (not part of CI)
BUILD ?= build
JOBS  ?= $(shell nproc 2>/dev/null || echo 2)
# The builds that cmake runs are make's children: without this each prints its "Entering directory".
MAKEFLAGS += --no-print-directory

.PHONY: all deps configure build app test sanitize fuzz format-check bench run clean

all: build

deps:
	@scripts/deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBREZZANO_WERROR=ON >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# Only what running needs: the application, the simulator, the demo's history and the manuals.
app: configure
	@cmake --build $(BUILD) -j $(JOBS) --target brezzano brezzano-sim brezzano-history-seed manual

test: build
	@scripts/deps.sh --test
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# The suite under AddressSanitizer and UndefinedBehaviorSanitizer, in its own build folder.
# Undefined behaviour stops the test; leaks are reported, except those that Qt
# and the libraries under it allocated themselves (.ci/lsan.supp). Allocation
# stacks keep two frames so that the allocating function alone decides whose a
# leak is (deeper stacks always pass through Qt's event loop); raise
# malloc_context_size by hand to read a longer one.
sanitize: deps
	@scripts/deps.sh --test
	@cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -D_GLIBCXX_ASSERTIONS" >/dev/null
	@cmake --build build-asan -j $(JOBS)
	@cd build-asan && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1:malloc_context_size=2 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/.ci/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

# Each fuzz target for FUZZ_SECONDS, built with clang in its own folder. New
# inputs go to build-fuzz/corpus/<target>; the repository's corpus is only read.
# Copy an input worth keeping to fuzz/corpus/<target>/ so `make test` replays it.
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := frame units dispatcher ini schedule schedule_json mqtt bridge_config cli_args csv
fuzz:
	@scripts/deps.sh --fuzz
	@CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBREZZANO_FUZZ=ON \
	  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=undefined" >/dev/null
	@cmake --build build-fuzz -j $(JOBS) --target fuzzers
	@for t in $(FUZZ_TARGETS); do \
	  mkdir -p build-fuzz/corpus/$$t build-fuzz/crashes && \
	  echo "fuzzing $$t for $(FUZZ_SECONDS) s" && \
	  build-fuzz/fuzz/fuzz_$$t -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	    -artifact_prefix=build-fuzz/crashes/$$t- build-fuzz/corpus/$$t fuzz/corpus/$$t || exit 1; \
	done

# The formatting of every C++ file that the repository keeps.
format-check:
	@scripts/deps.sh --format
	@git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

# How fast a reload of 64 units runs against the simulator, next to what the device allows;
# how long a beacon flood stalls the window; how fast the history records a reload and
# answers after a year of them; the bridge's load under 20 controllers of 64 units; frames and
# time of a change through the command-line tool and through the bridge; the window's stalls and
# memory while it reads a site of 200 controllers.
bench: configure
	@cmake --build $(BUILD) -j $(JOBS) --target brezzano-bench brezzano-settings-probe brezzano-beacon-flood brezzano-history-bench brezzano-bridge-bench brezzano-write-bench brezzano-site-bench brezzano-history-stall
	@QT_QPA_PLATFORM=offscreen $(BUILD)/bin/brezzano-bench
	@$(BUILD)/bin/brezzano-settings-probe
	@QT_QPA_PLATFORM=offscreen $(BUILD)/bin/brezzano-beacon-flood
	@$(BUILD)/bin/brezzano-history-bench
	@QT_QPA_PLATFORM=offscreen $(BUILD)/bin/brezzano-history-stall
	@$(BUILD)/bin/brezzano-bridge-bench
	@$(BUILD)/bin/brezzano-write-bench
	@$(BUILD)/bin/brezzano-site-bench

# The display is checked first: finding it missing after the build wastes minutes. A display
# is there already, so only what building needs is installed (by app).
run:
	@scripts/run.sh --check-display
	@$(MAKE) --no-print-directory app
	@scripts/run.sh $(BUILD)

clean:
	rm -rf $(BUILD)
