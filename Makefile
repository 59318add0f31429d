# The two everyday commands (see README):
#   make run   installs what is missing, builds varnex and starts it on the loopback device
#   make test  installs what is missing, builds and runs every test
#   make run-board  the same as run, against the board simulator with a moving target
# Both work as root on a fresh Debian machine.

JOBS ?= 2
BUILD ?= build

.PHONY: run run-board test deps build-release bench clean

deps:
	./scripts/install-deps

build-release: deps
	cmake -S . -B $(BUILD)/release -DCMAKE_BUILD_TYPE=Release -DZELT_TESTS=OFF -DZELT_BENCH=OFF
	cmake --build $(BUILD)/release -j$(JOBS) --target varnex xdma-sim

run: build-release
	./scripts/run-varnex $(BUILD)/release/app/varnex

run-board: build-release
	./scripts/run-board-demo $(BUILD)/release

test: deps
	./scripts/run-tests $(BUILD) $(JOBS)

bench: deps
	cmake -S . -B $(BUILD)/bench -DCMAKE_BUILD_TYPE=Release -DZELT_TESTS=OFF -DZELT_BENCH=ON
	cmake --build $(BUILD)/bench -j$(JOBS)
	./scripts/run-benchmarks $(BUILD)/bench

clean:
	rm -rf $(BUILD)
