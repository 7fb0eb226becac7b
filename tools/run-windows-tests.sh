#!/usr/bin/env bash
# Cross-builds the Windows ferlane.exe with MinGW-w64 and tests it under Wine,
# headless, in a throwaway Wine prefix: the unit tests as Windows programs, then
# the end-to-end tests of the Linux build (every test labelled "tool") pointed at
# ferlane.exe.
#
# Needs the Linux test build (tools/run-tests.sh builds it in build-tests/).
# shellcheck source=tools/lib.sh
source "$(dirname "$0")/lib.sh"

install_deps g++-mingw-w64-x86-64-posix wine wine64 googletest
[ -x build-tests/tests/run_tests ] || { echo "build the Linux tests first: tools/run-tests.sh" >&2; exit 1; }

configure_and_build build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DFERLANE_WERROR=ON

source tools/wine-env.sh
trap wine_cleanup EXIT

ctest --test-dir build-win --output-on-failure --timeout 120

FERLANE_TEST_EXECUTABLE="$(pwd)/build-win/src/app/ferlane.exe" FERLANE_TEST_EMULATOR=wine \
  ctest --test-dir build-tests --output-on-failure --timeout 120 --label-regex '^tool$'
