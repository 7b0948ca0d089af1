# make run   installs what is missing, builds, starts the simulator and the application
# make test  installs what is missing, builds, runs the whole suite headless
BUILD ?= build
JOBS  ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps configure build app test run clean

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

run:
	@scripts/deps.sh --run
	@$(MAKE) --no-print-directory app
	@scripts/run.sh $(BUILD)

clean:
	rm -rf $(BUILD)
