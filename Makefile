# The two commands of the README, plus the benchmarks and the sanitized run. Each installs what it
# needs first.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: run test sanitize bench build deps deps-test deps-bench clean

run: deps build
	$(BUILD)/src/app/kettlepaw

test: deps-test build
	bash scripts/run-tests.sh $(BUILD)

# Every test on a build under AddressSanitizer and UndefinedBehaviorSanitizer, with the standard
# library's own checks (an empty optional read, an index past a vector's end): any report fails it.
# run-tests.sh sets the sanitizers' options for such a build.
SANITIZE_FLAGS = -fsanitize=address,undefined,float-cast-overflow -fno-sanitize-recover=all \
  -fno-omit-frame-pointer -D_GLIBCXX_ASSERTIONS
sanitize: deps-test
	@[ -f $(BUILD)-sanitize/build.ninja ] || cmake -S . -B $(BUILD)-sanitize -G Ninja \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKP_BUILD_BENCH=OFF -DCMAKE_CXX_FLAGS="$(SANITIZE_FLAGS)"
	cmake --build $(BUILD)-sanitize -j $(JOBS)
	bash scripts/run-tests.sh $(BUILD)-sanitize

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
	rm -rf $(BUILD) $(BUILD)-bench $(BUILD)-sanitize
