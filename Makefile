# Quillon: `make run` builds and starts the program, `make test` builds and runs
# every test. Both first install whatever the build needs and is missing.

MAKEFLAGS   += --no-print-directory

BUILD_DIR   ?= build
BUILD_TYPE  ?= Debug
JOBS        ?= $(shell nproc)
APP_DIR     := $(BUILD_DIR)/Quillon_artefacts/$(BUILD_TYPE)
ASAN_DIR    ?= $(BUILD_DIR)-asan

.PHONY: all deps configure build run test bench clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) > $(BUILD_DIR).configure.log 2>&1 \
		|| { cat $(BUILD_DIR).configure.log; exit 1; }

build: configure
	@cmake --build $(BUILD_DIR) --parallel $(JOBS)

run: build
	@scripts/run-app.sh "$(APP_DIR)"

# After the plain run, the same suite again from a second build folder in which
# everything, JUCE included, is built with AddressSanitizer and UndefinedBehaviorSanitizer.
test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure --parallel $(JOBS)
	@cmake -S . -B $(ASAN_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DQUILLON_SANITIZE=ON > $(ASAN_DIR).configure.log 2>&1 \
		|| { cat $(ASAN_DIR).configure.log; exit 1; }
	@cmake --build $(ASAN_DIR) --parallel $(JOBS)
	@cd $(ASAN_DIR) && ctest --output-on-failure --parallel $(JOBS)

bench: deps
	@cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DQUILLON_BENCH=ON -DBUILD_TESTING=OFF > build-bench.configure.log 2>&1 \
		|| { cat build-bench.configure.log; exit 1; }
	@cmake --build build-bench --parallel $(JOBS) --target QuillonBench
	@build-bench/bench/QuillonBench

clean:
	@rm -rf $(BUILD_DIR) $(ASAN_DIR) build-bench $(BUILD_DIR).configure.log $(ASAN_DIR).configure.log \
		build-bench.configure.log
