# The two entry points: `make run` and `make test`. Everything else is a step of theirs.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
TSAN_BUILD ?= build-tsan
FUZZ_SECONDS ?= 60
FUZZ_SEED  ?=
JOBS       ?= $(shell nproc)

.PHONY: setup configure build run test asan-test fuzz-build fuzz tsan-test bench format clean

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

# The libFuzzer targets (clang, ASan and UBSan): builds them, makes their seeds from the fixtures, and runs each
# for FUZZ_SECONDS, side by side on the cores. FUZZ_TARGETS="A B" runs only those.
fuzz-build: setup
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSALVIX_GUI=OFF \
	  -DSALVIX_BENCH=OFF -DSALVIX_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_BUILD) --target fuzz_all -j $(JOBS)

fuzz: fuzz-build
	@bash fuzz/make_seeds.sh $(FUZZ_BUILD) >/dev/null
	@FUZZ_SEED=$(FUZZ_SEED) bash fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS) $(JOBS)

# The threaded tests (read-ahead cache, tree builds on workers, saving jobs, the message port, locks) under
# ThreadSanitizer. Ext2Collector is left out: the collected heap's stop-the-world signals do not get through
# the sanitizer's signal handling while several threads allocate ("Signals delivery fails constantly").
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
tsan-test: setup
	@cmake -S . -B $(TSAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSALVIX_BENCH=OFF -DSALVIX_TSAN=ON >/dev/null
	@$(TSAN_ENV) cmake --build $(TSAN_BUILD) --target $(TSAN_PROGRAMS) -j $(JOBS)
	@cd $(TSAN_BUILD) && $(TSAN_ENV) ctest -j $(JOBS) --output-on-failure -R '$(TSAN_TESTS)'

bench: build
	@bash bench/run.sh $(BUILD)

# Rewrites the tracked sources as .clang-format wants them (ctest's Format.Sources checks it).
format:
	@bash tools/format/format.sh

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(TSAN_BUILD)
