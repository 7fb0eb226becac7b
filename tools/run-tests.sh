#!/usr/bin/env bash
# Builds Ferlane with warnings as errors and runs every test: once as released,
# once under AddressSanitizer and UndefinedBehaviorSanitizer (leaks detected).
# shellcheck source=tools/lib.sh
source "$(dirname "$0")/lib.sh"

install_deps

configure_and_build build-tests -DFERLANE_WERROR=ON
ctest --test-dir build-tests --output-on-failure --timeout 300

configure_and_build build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFERLANE_WERROR=ON -DFERLANE_SANITIZE=ON
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --test-dir build-sanitize --output-on-failure --timeout 600
