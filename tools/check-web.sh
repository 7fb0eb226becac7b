#!/usr/bin/env bash
# Builds the browser page and the console tool, and checks the page against the
# tool in Debian's headless Chromium (tests/web/test_page.py). Ends with the line
# "N passed, N failed" and a non-zero status on any failure, a failed build included.
# shellcheck source=tools/lib.sh
source "$(dirname "$0")/lib.sh"

summary=""
trap '[ $? -eq 0 ] || [ -n "$summary" ] || echo "0 passed, 1 failed (the check stopped before its tests)"' EXIT

install_deps emscripten python3 python3-selenium python3-pil chromium chromium-driver imagemagick
tools/build-web.sh
configure_and_build build-web-native -DFERLANE_BUILD_TESTS=OFF -- ferlane >/dev/null

status=0
# Debian's own Python, which serves the Selenium and Pillow packages.
/usr/bin/python3 tests/web/test_page.py build-web/site/index.html build-web-native/src/app/ferlane "$@" || status=$?
summary=printed
exit "$status"
