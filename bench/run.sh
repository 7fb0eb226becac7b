#!/usr/bin/env bash
# Builds Ferlane in Release and runs the whole-run benchmark against the I/O floor
# on scenes of about 1, 6 and 24 megapixels (generated once into build-bench/scenes,
# about 600 MB), then the micro-benchmarks.
#
#   bench/run.sh [RUNS]      (default 5 runs per scene; medians are reported)
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DFERLANE_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench --parallel "$(nproc)" >/dev/null

mkdir -p build-bench/scenes
build-bench/bench/ferlane-bench build-bench/src/app/ferlane build-bench/bench/ferlane-io-floor \
  build-bench/tools/ferlane-scene build-bench/scenes "${1:-5}"
if [ -x build-bench/bench/ferlane-micro-benchmarks ]; then
  echo
  build-bench/bench/ferlane-micro-benchmarks
fi
