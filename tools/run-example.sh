#!/usr/bin/env bash
# Builds Ferlane and runs it on the example scene in examples/, in out/example/.
# shellcheck source=tools/lib.sh
source "$(dirname "$0")/lib.sh"

install_deps
configure_and_build build -DFERLANE_BUILD_TESTS=OFF -- ferlane >/dev/null

out=out/example
rm -rf "$out"
example_scene "$out"
(cd "$out" && ../../build/src/app/ferlane)
echo
echo "results: $(pwd)/$out/alpha.bmp, error.bmp and fg.bmp"
