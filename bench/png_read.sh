#!/usr/bin/env bash
# Times the page's PNG decoder (in Node, in turns with the README's recipe, then in
# Debian's Chromium and Firefox ESR where installed) against the recipe (ImageMagick) on the
# same machine, on 24-megapixel photographs at 8 and 16 bits, made once from the
# example scene with noise, as a camera's are, into build-png/bench.
#
#   bench/png_read.sh [RUNS]      (default 5)
# shellcheck source=tools/lib.sh
source "$(dirname "$0")/../tools/lib.sh"
runs=${1:-5}

install_deps imagemagick
install_test_node_modules
mkdir -p build-png/bench
python3 web/build/door_numbers.py web/door/ferlane_door.h build-png/ferlane_door.js
for format in 8:PNG24 16:PNG48; do
  photo=build-png/bench/photo-${format%%:*}.png
  [ -e "$photo" ] || /usr/bin/convert examples/image0.bmp -resize '6000x4000!' -attenuate 0.5 +noise Gaussian \
    "${format##*:}:$photo"
done

# min / median / max of the seconds given, one a line.
spread() {
  local sorted
  sorted=$(sort -n)
  printf '%.2f / %.2f / %.2f s' "$(head -n 1 <<<"$sorted")" "$(sed -n "$(((runs + 1) / 2))p" <<<"$sorted")" \
    "$(tail -n 1 <<<"$sorted")"
}
export FERLANE_DOOR_NUMBERS=$PWD/build-png/ferlane_door.js
# In turns, so that both meet the same load on the machine.
for depth in 8 16; do
  photo=build-png/bench/photo-$depth.png
  magick=() page=()
  for ((run = 0; run < runs; ++run)); do
    start=$(date +%s.%N)
    /usr/bin/convert "$photo" -auto-orient -alpha off -depth 8 -type TrueColor BMP3:build-png/bench/photo.bmp
    magick+=("$(echo "$(date +%s.%N) - $start" | bc)")
    page+=("$(node --disable-warning=MODULE_TYPELESS_PACKAGE_JSON --import ./tests/web/png/door_numbers_hook.mjs bench/png_decode.mjs "$photo")")
  done
  echo "24 MP, $depth-bit PNG (min / median / max of $runs):" \
    "ImageMagick $(printf '%s\n' "${magick[@]}" | spread), page's decoder $(printf '%s\n' "${page[@]}" | spread)"
done
# The decoder alone, bundled as the page bundles its worker, in each browser installed.
if command -v chromium >/dev/null || command -v firefox-esr >/dev/null; then
  printf "import { decodePng } from '../../web/worker/png_decoder.js';\nself.decodePng = decodePng;\n" >build-png/bench/entry.js
  esbuild build-png/bench/entry.js --bundle --format=iife --log-level=warning \
    --alias:ferlane-door-numbers=./build-png/ferlane_door.js --outfile=build-png/bench/png_decoder.js
  for engine in chromium firefox-esr; do
    command -v "$engine" >/dev/null || continue
    node bench/png_browser.mjs "${engine%-esr}" build-png/bench/png_decoder.js "$runs" build-png/bench/photo-{8,16}.png
  done
fi
