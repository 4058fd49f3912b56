# The two commands for a fresh machine:
#   make run    installs what is missing, builds, and starts Quorvel here
#   make test   installs what is missing, builds, and runs every test
# Both install Debian packages with apt-get when they are missing.

JOBS ?= 2
FUZZ_SECONDS ?= 60
FUZZ_SESSION_SECONDS ?= 120

.PHONY: deps build run test test-release test-sanitize test-fuzz bench clean

deps:
	@scripts/install-deps.sh

build: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
	cmake --build build -j$(JOBS)

run: build
	./build/quorvel

test: test-release test-sanitize test-fuzz

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

bench: build
	./build/bench/quorvel_bench

clean:
	rm -rf build build-asan build-fuzz
