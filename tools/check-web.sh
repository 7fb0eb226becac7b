#!/usr/bin/env bash
# Builds the browser page and the console tool, and checks the page against the
# tool in Debian's Chromium, Firefox ESR and WebKitGTK, each with the page opened
# from a file and from a server (tests/web/test_page.py). Ends with the line
# "N passed, N failed" and a non-zero status on any failure, a failed build included.
#
#   tools/check-web.sh [--engines chromium firefox webkit] [--origins file served] [--screenshot PNG]
# shellcheck source=tools/lib.sh
source "$(dirname "$0")/lib.sh"

summary=""
trap '[ $? -eq 0 ] || [ -n "$summary" ] || echo "0 passed, 1 failed (the check stopped before its tests)"' EXIT

install_deps emscripten python3 python3-selenium python3-pil imagemagick \
  chromium chromium-driver firefox-esr webkit2gtk-driver xvfb
# Node drives Firefox; a machine that has Node and npm from elsewhere keeps them.
install_test_node_modules
# How the build reads the door's numbers, before the page it builds with them.
report=$(/usr/bin/python3 tests/web/test_door_numbers.py 2>&1) || { echo "$report" >&2; exit 1; }
# The page's own PNG decoder in Node, before the browsers that run it.
tools/check-png.sh
tools/build-web.sh
configure_and_build build-web-native -DFERLANE_BUILD_TESTS=OFF -- ferlane >/dev/null

status=0
# Debian's own Python, which serves the Selenium and Pillow packages.
/usr/bin/python3 tests/web/test_page.py build-web/site/index.html build-web-native/src/app/ferlane "$@" || status=$?
summary=printed
exit "$status"
