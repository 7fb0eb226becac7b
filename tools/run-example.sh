#!/usr/bin/env bash
# Builds Ferlane and runs it on the example scene in examples/, in out/example/.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DFERLANE_BUILD_TESTS=OFF >/dev/null
cmake --build build --parallel "$(nproc)" --target ferlane >/dev/null

out=out/example
rm -rf "$out"
mkdir -p "$out"
cp examples/bg0.bmp examples/bg1.bmp examples/image0.bmp examples/image1.bmp "$out/"
(cd "$out" && ../../build/src/app/ferlane)
echo
echo "results: $(pwd)/$out/alpha.bmp, error.bmp and fg.bmp"
