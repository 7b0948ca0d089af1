# make run   installs what is missing, builds, starts the simulator and the application
# make test  installs what is missing, builds, runs the whole suite headless
BUILD ?= build
JOBS  ?= $(shell nproc 2>/dev/null || echo 2)
# The builds that cmake runs are make's children: without this each prints its "Entering directory".
MAKEFLAGS += --no-print-directory

.PHONY: all deps configure build app test sanitize bench run clean

all: build

deps:
	@scripts/deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# Only what running needs: the application, the simulator and the manuals.
app: configure
	@cmake --build $(BUILD) -j $(JOBS) --target brezzano brezzano-sim manual

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# The suite under AddressSanitizer and UndefinedBehaviorSanitizer, in its own build folder.
sanitize: deps
	@cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-omit-frame-pointer -D_GLIBCXX_ASSERTIONS" >/dev/null
	@cmake --build build-asan -j $(JOBS)
	@cd build-asan && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -j $(JOBS)

# How fast a reload of 64 units runs against the simulator, next to what the device allows.
bench: configure
	@cmake --build $(BUILD) -j $(JOBS) --target brezzano-bench
	@QT_QPA_PLATFORM=offscreen $(BUILD)/bin/brezzano-bench

# The display is checked first: finding it missing after the build wastes minutes.
run:
	@scripts/run.sh --check-display
	@scripts/deps.sh --run
	@$(MAKE) --no-print-directory app
	@scripts/run.sh $(BUILD)

clean:
	rm -rf $(BUILD)
