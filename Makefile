# The two commands for a fresh machine:
#   make run    installs what is missing, builds, and starts Quorvel here
#   make test   installs what is missing, builds, and runs every test
# Both install Debian packages with apt-get when they are missing.

JOBS ?= 2
FUZZ_SECONDS ?= 60
FUZZ_SESSION_SECONDS ?= 120

.PHONY: deps build run test test-release test-sanitize test-fuzz bench samples clean

deps:
	@scripts/install-deps.sh

build: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
	cmake --build build -j$(JOBS)

# Only the program: the tests and benchmarks are left for make test.
run: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
	cmake --build build -j$(JOBS) --target quorvel
	./build/quorvel

# The benchmarks come last, once everything has passed.
test: test-release test-sanitize test-fuzz
	$(MAKE) --no-print-directory bench

test-release: build
	ctest --test-dir build -j$(JOBS) --output-on-failure

test-sanitize: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQUORVEL_SANITIZE=ON -DQUORVEL_BENCH=OFF
	cmake --build build-asan -j$(JOBS)
	ctest --test-dir build-asan -j$(JOBS) --output-on-failure

test-fuzz: deps
	cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DQUORVEL_FUZZ=ON
	cmake --build build-fuzz -j$(JOBS)
	scripts/fuzz.sh $(FUZZ_SECONDS) session=$(FUZZ_SESSION_SECONDS)

# Every benchmark, medians of BENCH_REPETITIONS runs, as one table; the
# benchmarks' own output goes to build/bench.log, their results to build/bench.json.
BENCH_REPETITIONS ?= 3
bench: build
	@echo "running the benchmarks (about a minute or two; output in build/bench.log)"
	@./build/bench/quorvel_bench --benchmark_repetitions=$(BENCH_REPETITIONS) \
	    --benchmark_report_aggregates_only=true \
	    --benchmark_out=build/bench.json --benchmark_out_format=json \
	    >build/bench.log 2>&1 || { tail -40 build/bench.log; exit 1; }
	@python3 scripts/bench_table.py build/bench.json

# Rewrites the sample collection's data files from tools/samples.cpp.
samples: build
	./build/make_samples samples

clean:
	rm -rf build build-asan build-fuzz
