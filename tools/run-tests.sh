#!/usr/bin/env bash
# Builds Ferlane with warnings as errors and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh
cmake -S . -B build-tests -DCMAKE_BUILD_TYPE=Release -DFERLANE_WERROR=ON
cmake --build build-tests --parallel "$(nproc)"
ctest --test-dir build-tests --output-on-failure --timeout 300
