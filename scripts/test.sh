#!/usr/bin/env bash
# Builds everything and runs every test: a warnings-as-errors build, the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, the fuzz corpora, the format check and a short
# benchmark run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)
# The three builds share their objects through ccache; paths below the checkout count as relative, so a
# second checkout on the same machine reuses the first one's work.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug "${launcher[@]}"
cmake --build build-test -j"$jobs"
cmake --build build-test --target format-check
ctest --test-dir build-test --output-on-failure -j"$jobs" --timeout 600

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLESARO_SANITIZE=ON -DLESARO_BENCH=OFF "${launcher[@]}"
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan --output-on-failure -j"$jobs" --timeout 900

# The benchmark program must run; its full figures come from a run without LESARO_BENCH_SMALL.
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF "${launcher[@]}"
cmake --build build-bench -j"$jobs" --target lesaro-bench
LESARO_BENCH_SMALL=1 ./build-bench/bench/lesaro-bench
