#!/usr/bin/env bash
# Builds Ferlane in Release, where bench/ adds two builds of the tool that ask for
# planes' memory otherwise, and times the three (as released: prefaulted; in large
# pages and prefaulted; with no advice at all) against the I/O floor, in the same
# rounds (their order rotating from round to round, each run after a pause), on
# scenes of about 1, 6 and 24 megapixels (and 96 with LARGE_RUNS > 0), generated
# once into build-bench/scenes (about 600 MB, 2 GB more with the large scene); then
# runs the micro-benchmarks.
#
#   bench/run.sh [RUNS [LARGE_RUNS]]      (defaults: 10 runs, 3 of the 96 MP scene)
# shellcheck source=tools/lib.sh
source "$(dirname "$0")/../tools/lib.sh"
runs=${1:-10}
large_runs=${2:-3}

install_deps
configure_and_build build-bench -DFERLANE_BUILD_TESTS=OFF >/dev/null

mkdir -p build-bench/scenes
build-bench/bench/ferlane-bench build-bench/scenes build-bench/tools/ferlane-scene "$runs" "$large_runs" \
  floor=build-bench/bench/ferlane-io-floor \
  prefault=build-bench/src/app/ferlane \
  huge+pre=build-bench/bench/ferlane-huge-prefault \
  none=build-bench/bench/ferlane-none
if [ -x build-bench/bench/ferlane-micro-benchmarks ]; then
  echo
  build-bench/bench/ferlane-micro-benchmarks
fi
