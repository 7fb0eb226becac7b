#!/usr/bin/env bash
# Checks the page's own PNG decoder in Node, outside the browsers: the conformance
# set that tests/web/png/make_png_set.py writes (and converts by the README's
# recipe) decodes to the recipe's pixels or is refused with its rule, and no file
# is inflated past its header's size. With --fuzz SECONDS, also mutates valid PNGs
# for that long and checks that each decodes within its size or is refused by a rule.
#
#   tools/check-png.sh [--fuzz SECONDS]
# shellcheck source=tools/lib.sh
source "$(dirname "$0")/lib.sh"

install_deps python3 python3-pil imagemagick
install_test_node_modules

mkdir -p build-png
python3 web/build/door_numbers.py web/door/ferlane_door.h build-png/ferlane_door.js
# Debian's own Python, which has Pillow.
/usr/bin/python3 tests/web/png/make_png_set.py build-png/set >/dev/null
export FERLANE_DOOR_NUMBERS=$PWD/build-png/ferlane_door.js PNG_SET=$PWD/build-png/set
tests=(tests/web/png/png_decoder.test.mjs)
if [ "${1:-}" = --fuzz ]; then
  export PNG_FUZZ_SECONDS=${2:-60}
  tests=(tests/web/png/png_fuzz.test.mjs)
fi
# web/package.json names no module type: the page's modules are ES modules all the same.
node --disable-warning=MODULE_TYPELESS_PACKAGE_JSON --import ./tests/web/png/door_numbers_hook.mjs --test --test-reporter=dot "${tests[@]}"
