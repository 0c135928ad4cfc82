#!/usr/bin/env bash
# Builds zonvert and runs every test twice: once in an optimised build with
# warnings as errors, once under AddressSanitizer and
# UndefinedBehaviorSanitizer (the benchmarks are built, not run).
# Usage: tools/run-tests.sh [ctest options]
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DZONVERT_WERROR=ON -DZONVERT_REQUIRE_ALL_TESTS=ON \
  -DZONVERT_BUILD_BENCHMARKS=ON
cmake --build build -j "$jobs"
ctest --test-dir build --no-tests=error --output-on-failure -j "$jobs" "$@"

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DZONVERT_WERROR=ON \
  -DZONVERT_REQUIRE_ALL_TESTS=ON -DZONVERT_SANITIZE=address,undefined
cmake --build build-sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-sanitize --no-tests=error --output-on-failure -j "$jobs" "$@"
