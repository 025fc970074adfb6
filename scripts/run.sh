#!/usr/bin/env bash
# Builds the program in release mode and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DLESARO_BENCH=OFF
cmake --build build-release --target lesaro
exec ./build-release/src/app/lesaro "$@"
