#!/usr/bin/env bash
# Renders the README's pictures from the tool's real output on the example scene:
# the four photographs, the three results, and the foreground laid over a
# checkerboard through the alpha matte, as PNG files in docs/images/.
# shellcheck source=tools/lib.sh
source "$(dirname "$0")/lib.sh"

install_deps imagemagick

tools/run-example.sh >/dev/null
results=out/example
images=docs/images
mkdir -p "$images"
for name in bg0 bg1 image0 image1 alpha error fg; do
  convert "$results/$name.bmp" -strip "$images/$name.png"
done
size=$(identify -format '%wx%h' "$results/fg.bmp")
convert -size "$size" pattern:checkerboard -colorspace sRGB \
  \( "$results/fg.bmp" "$results/alpha.bmp" -alpha off -compose CopyOpacity -composite \) \
  -compose Over -composite -strip "$images/fg-over-checkerboard.png"
echo "rendered $(find "$images" -mindepth 1 -maxdepth 1 | wc -l) pictures into $images/"
