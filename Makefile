# The two commands of the README, plus the benchmarks. Each installs what it needs first.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: run test bench build deps deps-test deps-bench clean

run: deps build
	$(BUILD)/src/app/kettlepaw

test: deps-test build
	bash scripts/run-tests.sh $(BUILD)

bench: deps-bench
	cmake -S . -B $(BUILD)-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DKP_BUILD_TESTS=OFF
	cmake --build $(BUILD)-bench -j $(JOBS)
	bash scripts/run-bench.sh $(BUILD)-bench

build:
	@[ -f $(BUILD)/build.ninja ] || cmake -S . -B $(BUILD) -G Ninja
	cmake --build $(BUILD) -j $(JOBS)

deps:
	@bash scripts/deps.sh

deps-test:
	@bash scripts/deps.sh --test

deps-bench:
	@bash scripts/deps.sh --bench

clean:
	rm -rf $(BUILD) $(BUILD)-bench
