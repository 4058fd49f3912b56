# The two commands for a fresh machine:
#   make run    installs what is missing, builds, and starts Quorvel here
#   make test   installs what is missing, builds, and runs every test
# Both install Debian packages with apt-get when they are missing.

JOBS ?= 2
FUZZ_SECONDS ?= 60
FUZZ_SESSION_SECONDS ?= 120

.PHONY: deps build run package test test-release test-sanitize test-fuzz bench samples clean \
        deps-windows windows test-windows gbk-table

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

# The Debian package build/quorvel_<version>_<arch>.deb, made by CPack.
package: build
	cmake --build build --target package

# The benchmarks come last, once everything has passed.
test: test-release test-sanitize test-fuzz test-windows
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

# Windows, cross-built here with MinGW and tested under Wine: make windows
# gives build-win/quorvel.exe and build-win/quorvel-<version>-win64.zip;
# make test-windows runs the Windows tests (CTest label windows), among them
# a session of quorvel.exe against the Linux build's.
deps-windows:
	@scripts/install-deps-windows.sh

WINDOWS_CONFIGURE = cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	-DCMAKE_BUILD_TYPE=Release -DQUORVEL_LINUX_BINARY=$(CURDIR)/build/quorvel

windows: deps-windows
	$(WINDOWS_CONFIGURE)
	cmake --build build-win -j$(JOBS) --target quorvel
	scripts/pack-windows.sh build-win

test-windows: deps-windows build
	$(WINDOWS_CONFIGURE)
	cmake --build build-win -j$(JOBS)
	ctest --test-dir build-win -L windows -j$(JOBS) --output-on-failure

# Rewrites src/console/gbk_table.cpp, the program's GBK table, from code page
# 936 as the Windows API gives it under Wine (tools/gbk_table.cpp).
WINE_ENV = WINEPREFIX=$(CURDIR)/build-win/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=
gbk-table: deps-windows
	$(WINDOWS_CONFIGURE)
	cmake --build build-win -j$(JOBS) --target gbk_table
	scripts/wine-prefix.sh $(CURDIR)/build-win/wine
	$(WINE_ENV) $$(command -v wine || echo /usr/lib/wine/wine64) build-win/gbk_table.exe \
	    >build-win/gbk_table.cpp
	mv build-win/gbk_table.cpp src/console/gbk_table.cpp

clean:
	rm -rf build build-asan build-fuzz build-win
