# Everything starts here on a fresh Debian 12 machine: missing packages are installed first.
BUILD ?= build
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60
SOAK_SECONDS ?= 600
FUZZ_TARGETS = site_file_fuzz site_datetime_fuzz reply_fuzz command_fuzz worker_fuzz

.PHONY: all deps configure build run test package test-tsan test-asan bench fuzz fuzz-coverage clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run-demo.sh $(BUILD)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The Debian package of this build, $(BUILD)/q417host_<version>_<arch>.deb, checked by lintian.
# A package of an earlier version goes first, so that the one left is this build's.
package: build
	@scripts/install-deps.sh package
	@rm -f $(BUILD)/q417host_*.deb
	@cd $(BUILD) && cpack -G DEB
	@scripts/check-package.sh $(BUILD)/q417host_*.deb

# The tests of everything that runs the link's worker thread (the link itself, the document
# beside it, q417cli over it) built with the thread sanitizer; any race fails the run. Address randomisation is turned off for the run, as some
# kernels randomise more than this sanitizer's memory layout allows.
test-tsan: deps
	@cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQ417_SANITIZE=thread > /dev/null
	@cmake --build build-tsan -j $(JOBS) --target link_tests data_tests cli_tests
	@cd build-tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
		setarch "$$(uname -m)" -R ctest --output-on-failure -j $(JOBS) -L 'link|data|cli'

# Every test (all labels: the Qt suites and the fuzz corpus replays too, and the programs the
# tests start) built at -O1 with the address, undefined-behaviour and leak sanitizers; gcc's
# undefined group leaves out float-to-integer overflow, which is added. Every process of the
# run, build-time test listings included, writes its reports to build-asan/sanitizer-reports/
# rather than to a standard error a test may read or ignore, and any report there fails the
# run. Leaks of system libraries we cannot mend are suppressed in tests/sanitizer/lsan.supp.
# Address randomisation is off, as for test-tsan: some kernels randomise more than gcc's
# sanitizers' memory layout allows.
ASAN_REPORTS = $(CURDIR)/build-asan/sanitizer-reports
ASAN_ENV = \
	ASAN_OPTIONS="log_path=$(ASAN_REPORTS)/report:log_exe_name=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1" \
	UBSAN_OPTIONS="log_path=$(ASAN_REPORTS)/report:log_exe_name=1:print_stacktrace=1:halt_on_error=1" \
	LSAN_OPTIONS="suppressions=$(CURDIR)/tests/sanitizer/lsan.supp:print_suppressions=0"
test-asan: deps
	@cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g -DNDEBUG" \
		-DQ417_SANITIZE=address,undefined,float-cast-overflow > /dev/null
	@rm -rf $(ASAN_REPORTS) && mkdir -p $(ASAN_REPORTS)
	@export $(ASAN_ENV); status=0; \
		setarch "$$(uname -m)" -R cmake --build build-asan -j $(JOBS) --target test_programs && \
		cd build-asan && setarch "$$(uname -m)" -R ctest --output-on-failure -j $(JOBS) || status=1; \
		if [ -n "$$(ls -A $(ASAN_REPORTS))" ]; then \
			cat $(ASAN_REPORTS)/*; \
			echo "error: sanitizer reports in $(ASAN_REPORTS)" >&2; \
			status=1; \
		fi; \
		exit $$status

# The last of the benchmarks is a soak: SOAK_SECONDS (default 600) of downloads and uploads
# through the worker against the paced simulated readout, with the faults of a cheap adapter or a
# loose plug injected at random from a printed seed (q417soakbench --seed N draws the same faults
# again, though where they strike depends on the run's timing too). It fails when the link
# accepted a bad record or bad information, or a transfer hung.
bench: build
	@$(BUILD)/q417bench --sim $(BUILD)/q417sim
	@$(BUILD)/q417workerbench --sim $(BUILD)/q417sim
	@$(BUILD)/q417documentbench
	@$(BUILD)/q417windowbench --sim $(BUILD)/q417sim
	@$(BUILD)/q417historybench
	@$(BUILD)/q417plotbench
	@$(BUILD)/q417soakbench --sim $(BUILD)/q417sim --seconds $(SOAK_SECONDS)

# Each fuzz target runs FUZZ_SECONDS under libFuzzer with the address and undefined-behaviour
# checks. The committed corpus only seeds a run: new inputs go to build-fuzz/corpus-<target>,
# and an input that fails is saved as build-fuzz/artifacts/<target>-crash-... (or -timeout-...).
# The targets: the site file and its dates, the link's parsers of the readout's replies, each
# command over a line that plays the fuzzer's bytes as the readout, and the link's worker for a
# bounded run on such a line. build/tests/q417fuzzseeds DIR writes the link targets' seeds from
# exchanges with the simulated readout.
fuzz:
	@scripts/install-deps.sh fuzz
	@CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DQ417_FUZZ=ON > /dev/null
	@cmake --build build-fuzz -j $(JOBS) --target $(FUZZ_TARGETS)
	@mkdir -p build-fuzz/artifacts
	@for t in $(FUZZ_TARGETS); do \
		mkdir -p build-fuzz/corpus-$$t && \
		echo "== $$t: $(FUZZ_SECONDS) s" && \
		build-fuzz/tests/$$t -max_total_time=$(FUZZ_SECONDS) -timeout=10 -print_final_stats=1 \
			-artifact_prefix=build-fuzz/artifacts/$$t- build-fuzz/corpus-$$t tests/fuzz/corpus/$$t \
			|| exit 1; \
	done

# How much of the link the fuzz targets of what the readout sends reach: their corpora (the
# committed seeds and whatever make fuzz has found since) replayed by a build that counts lines,
# then llvm-cov's report of link/.
LINK_FUZZ_TARGETS = reply_fuzz command_fuzz worker_fuzz
fuzz-coverage:
	@scripts/install-deps.sh fuzz
	@CC=clang CXX=clang++ cmake -S . -B build-cov -G Ninja -DCMAKE_BUILD_TYPE=Debug \
		-DCMAKE_CXX_FLAGS="-fprofile-instr-generate -fcoverage-mapping" > /dev/null
	@cmake --build build-cov -j $(JOBS) --target $(LINK_FUZZ_TARGETS)
	@rm -rf build-cov/profiles && mkdir -p build-cov/profiles
	@for t in $(LINK_FUZZ_TARGETS); do \
		LLVM_PROFILE_FILE=build-cov/profiles/$$t.profraw build-cov/tests/$$t tests/fuzz/corpus/$$t \
			$$(test -d build-fuzz/corpus-$$t && echo build-fuzz/corpus-$$t) > /dev/null 2>&1 || exit 1; \
	done
	@llvm-profdata merge -o build-cov/profiles/fuzz.profdata build-cov/profiles/*.profraw
	@llvm-cov report -instr-profile=build-cov/profiles/fuzz.profdata build-cov/tests/worker_fuzz \
		$(foreach t,command_fuzz reply_fuzz,-object build-cov/tests/$(t)) $(CURDIR)/link

clean:
	rm -rf $(BUILD) build-tsan build-asan build-fuzz build-cov
