# The two everyday commands (see README):
#   make run   installs what is missing, builds varnex and starts it on the loopback device
#   make test  installs what is missing, builds and runs every test
# Both work as root on a fresh Debian machine.

JOBS ?= 2
BUILD ?= build

.PHONY: run test deps build-release test-asan test-tsan bench clean

deps:
	./scripts/install-deps

build-release: deps
	cmake -S . -B $(BUILD)/release -DCMAKE_BUILD_TYPE=Release -DZELT_TESTS=OFF -DZELT_BENCH=OFF
	cmake --build $(BUILD)/release -j$(JOBS) --target varnex

run: build-release
	./scripts/run-varnex $(BUILD)/release/app/varnex

test: deps
	./scripts/run-tests $(BUILD) $(JOBS)

bench: deps
	cmake -S . -B $(BUILD)/bench -DCMAKE_BUILD_TYPE=Release -DZELT_TESTS=OFF -DZELT_BENCH=ON
	cmake --build $(BUILD)/bench -j$(JOBS)
	./scripts/run-benchmarks $(BUILD)/bench

clean:
	rm -rf $(BUILD)
