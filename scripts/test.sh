#!/usr/bin/env bash
# Builds everything once and runs every test: one Debug build with warnings as errors, AddressSanitizer and
# UndefinedBehaviorSanitizer, whose tests include the fuzz corpora and a short benchmark run; then the format
# check.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)
# Objects are shared through ccache; paths below the checkout count as relative, so a second checkout on the
# same machine reuses the first one's work.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

# Line tables are all the sanitizers' reports need; full debug information would cost a tenth of the build.
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DLESARO_SANITIZE=ON \
    "${launcher[@]}"
cmake --build build-test -j"$jobs"
cmake --build build-test --target format-check
# Leaks are not looked for: Qt's own caches live to the end of the process.
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-test --output-on-failure -j"$jobs" --timeout 900
