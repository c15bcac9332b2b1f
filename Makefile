# The two entry points: `make run` and `make test`. Everything else is a step of theirs.
BUILD      ?= build
SAN_BUILD  ?= build-san
TSAN_BUILD ?= build-tsan
FUZZ_SECONDS ?= 600
FUZZ_SEED  ?=
JOBS       ?= $(shell nproc)

.PHONY: setup configure build run test san-build asan-test fuzz-build fuzz tsan-test tidy bench format clean

# Every package of every group (tools/setup.sh); the targets below install only the groups they use.
setup:
	@bash tools/setup.sh

configure:
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

# The program, its language bundles and its data folder, nothing else: the tests and benchmarks are built by
# `make test`.
run:
	@bash tools/setup.sh run
	@$(MAKE) --no-print-directory configure
	@cmake --build $(BUILD) -j $(JOBS) --target salvix
	@exec $(BUILD)/app/salvix

# Everything: the program, every test and the benchmarks.
build:
	@bash tools/setup.sh run test bench
	@$(MAKE) --no-print-directory configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@cd $(BUILD) && ctest -j $(JOBS) --output-on-failure

# One clang build with AddressSanitizer and UndefinedBehaviorSanitizer serves both the sanitizer run of the
# non-GUI tests and the libFuzzer targets (the libraries carry libFuzzer's coverage, only the fuzz targets link
# libFuzzer). No GUI and no benchmarks in it.
san-build:
	@bash tools/setup.sh run test sanitize
	@CC=clang CXX=clang++ cmake -S . -B $(SAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Sanitize -DSALVIX_GUI=OFF \
	  -DSALVIX_BENCH=OFF -DSALVIX_FUZZ=ON >/dev/null
	@cmake --build $(SAN_BUILD) -j $(JOBS)

# The non-GUI tests under AddressSanitizer and UndefinedBehaviorSanitizer.
asan-test: san-build
	@cd $(SAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest -j $(JOBS) --output-on-failure

# The libFuzzer targets: makes their seeds from the fixtures and runs them side by side on the cores, all of
# them together for FUZZ_SECONDS (each target gets its share, see fuzz/run.sh). FUZZ_TARGETS="A B" runs only those.
fuzz-build: san-build

fuzz: fuzz-build
	@bash fuzz/make_seeds.sh $(SAN_BUILD) >/dev/null
	@FUZZ_SEED=$(FUZZ_SEED) bash fuzz/run.sh $(SAN_BUILD) $(FUZZ_SECONDS) $(JOBS)

# The threaded tests (read-ahead cache, tree builds on workers, saving jobs, the message port, locks) under
# ThreadSanitizer, built with clang (it compiles about a quarter faster than GCC and shares the tests'
# precompiled header); only their programs are built. Ext2Collector is left out: the collected heap's stop-the-world
# signals do not get through the sanitizer's signal handling while several threads allocate ("Signals delivery
# fails constantly").
TSAN_PROGRAMS := salvix_platform_tests salvix_core_tests salvix_devices_tests salvix_diskimage_tests \
  salvix_fat_tests salvix_ext2_tests salvix_ntfs_tests salvix_saving_tests salvix_controls_tests \
  salvix_views_devices_tests salvix_partitions_tests
TSAN_SUITES := CStorageDeviceWithCache ImageDeviceThreads ImageDeviceCache Ext2TreeBuilder \
  Ext2FixtureTree FATQuickBuild FATFixtureTree NtfsMftTree NtfsTreeFixture RecoverFolder RecoverSingleFile \
  WindowMessages CReadWriteLock CEventLock CriticalSection Event Mutex Semaphore LostPartitionSearch \
  BuildDirectoryDlg DirTreeBuilder IntelligentSearchingDialog LostPartitionSearchingDialog IntelligentSearch \
  FATCompleteBuild ScannerBlockCutting
empty :=
space := $(empty) $(empty)
TSAN_TESTS := (^|/)($(subst $(space),|,$(strip $(TSAN_SUITES))))\.
TSAN_ENV := TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(CURDIR)/fuzz/tsan.supp"
tsan-test:
	@bash tools/setup.sh run test sanitize
	@CC=clang CXX=clang++ cmake -S . -B $(TSAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Sanitize -DSALVIX_BENCH=OFF \
	  -DSALVIX_TSAN=ON >/dev/null
	@$(TSAN_ENV) cmake --build $(TSAN_BUILD) --target $(TSAN_PROGRAMS) -j $(JOBS)
	@cd $(TSAN_BUILD) && $(TSAN_ENV) ctest -j $(JOBS) --output-on-failure -R '$(TSAN_TESTS)'

# .clang-tidy's bug-finding checks over the non-GUI modules, with the sanitizer build's compile commands; fails
# on any finding.
tidy: san-build
	@bash tools/tidy/tidy.sh $(SAN_BUILD) $(JOBS)

bench: build
	@bash bench/run.sh $(BUILD)

# Rewrites the tracked sources as .clang-format wants them (ctest's Format.Sources checks it).
format:
	@bash tools/format/format.sh

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(TSAN_BUILD)
