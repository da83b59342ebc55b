#!/usr/bin/env bash
# Sets up, builds with warnings as errors and runs every test; then again under AddressSanitizer
# and UndefinedBehaviorSanitizer; then runs the fuzz targets as libFuzzer programs (clang) for a
# bounded time each.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh --tests
jobs=$(nproc)
# The set-up command has installed every tool the tests drive: a missing one is a failure here.
export ZV_REQUIRE_TOOLS=1

# The C++ files are laid out as .clang-format says.
./scripts/check_format.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZV_WERROR=ON
cmake --build build -j "$jobs"
(cd build && ctest --output-on-failure -j "$jobs")

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZV_WERROR=ON -DZV_SANITIZE=ON -DZV_BENCH=OFF
cmake --build build-asan -j "$jobs"
(cd build-asan && ctest --output-on-failure -j "$jobs")

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZV_WERROR=ON -DZV_SANITIZE=ON -DZV_FUZZ=ON -DZV_TESTS=OFF -DZV_BENCH=OFF -DZV_GUIDE=OFF
cmake --build build-fuzz -j "$jobs" --target formula_fuzz scene_fuzz
(cd build-fuzz && ctest --output-on-failure -L fuzz)
