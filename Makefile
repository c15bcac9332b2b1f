# The two entry points: `make run` and `make test`. Everything else is a step of theirs.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)

.PHONY: setup configure build run test asan-test bench clean

setup:
	@bash tools/setup.sh

configure: setup
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@if [ -x $(BUILD)/app/salvix ]; then exec $(BUILD)/app/salvix; \
	else echo "Salvix: the application is not built yet; only the libraries and their tests exist." >&2; exit 1; fi

test: build
	@cd $(BUILD) && ctest -j $(JOBS) --output-on-failure

# The non-GUI tests under AddressSanitizer and UndefinedBehaviorSanitizer.
asan-test: setup
	@cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSALVIX_GUI=OFF -DSALVIX_BENCH=OFF \
	  -DSALVIX_SANITIZE=ON >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest -j $(JOBS) --output-on-failure -LE no-asan

bench: build
	@bash bench/run.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
