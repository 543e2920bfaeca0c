# Everything starts here on a fresh Debian 12 machine: missing packages are installed first.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps configure build run test test-tsan bench clean

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

# The link's tests (the worker thread and everything it shares) built with the thread
# sanitizer; any race fails the run. Address randomisation is turned off for the run, as some
# kernels randomise more than this sanitizer's memory layout allows.
test-tsan: deps
	@cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQ417_SANITIZE=thread > /dev/null
	@cmake --build build-tsan -j $(JOBS) --target link_tests
	@cd build-tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
		setarch "$$(uname -m)" -R ctest --output-on-failure -j $(JOBS) -L link

bench: build
	@$(BUILD)/q417bench --sim $(BUILD)/q417sim
	@$(BUILD)/q417workerbench --sim $(BUILD)/q417sim

clean:
	rm -rf $(BUILD) build-tsan build-asan
