#!/usr/bin/env bash
# Builds Ferlane with warnings as errors and runs every test: once as released,
# once under AddressSanitizer and UndefinedBehaviorSanitizer (leaks detected).
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh
jobs=$(nproc)

cmake -S . -B build-tests -DCMAKE_BUILD_TYPE=Release -DFERLANE_WERROR=ON
cmake --build build-tests --parallel "$jobs"
ctest --test-dir build-tests --output-on-failure --timeout 300

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFERLANE_WERROR=ON -DFERLANE_SANITIZE=ON
cmake --build build-sanitize --parallel "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --test-dir build-sanitize --output-on-failure --timeout 600
