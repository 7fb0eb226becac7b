#!/usr/bin/env bash
# Builds Ferlane in Release three times, as released (planes' memory prefaulted),
# with the memory in large pages and prefaulted, and with no advice at all, and
# times all three against the I/O floor, in the same rounds (their order rotating
# from round to round, each run after a pause), on scenes
# of about 1, 6 and 24 megapixels (and 96 with LARGE_RUNS > 0), generated once into
# build-bench/scenes (about 600 MB, 2 GB more with the large scene); then runs the
# micro-benchmarks.
#
#   bench/run.sh [RUNS [LARGE_RUNS]]      (defaults: 10 runs, 3 of the 96 MP scene)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-10}
large_runs=${2:-3}

tools/install-deps.sh
# Each build names its memory advice, so that no earlier configuration lingers.
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DFERLANE_BUILD_TESTS=OFF \
  -DFERLANE_PLANE_MEMORY=prefault >/dev/null
cmake --build build-bench --parallel "$(nproc)" >/dev/null
for memory in huge-prefault none; do
  cmake -S . -B "build-bench-$memory" -DCMAKE_BUILD_TYPE=Release -DFERLANE_BUILD_TESTS=OFF \
    -DFERLANE_PLANE_MEMORY="$memory" >/dev/null
  cmake --build "build-bench-$memory" --parallel "$(nproc)" --target ferlane >/dev/null
done

mkdir -p build-bench/scenes
build-bench/bench/ferlane-bench build-bench/scenes build-bench/tools/ferlane-scene "$runs" "$large_runs" \
  floor=build-bench/bench/ferlane-io-floor \
  prefault=build-bench/src/app/ferlane \
  huge+pre=build-bench-huge-prefault/src/app/ferlane \
  none=build-bench-none/src/app/ferlane
if [ -x build-bench/bench/ferlane-micro-benchmarks ]; then
  echo
  build-bench/bench/ferlane-micro-benchmarks
fi
