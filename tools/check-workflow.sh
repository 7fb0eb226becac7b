#!/usr/bin/env bash
# Runs the README's "From camera to cutout" commands exactly as written (every
# code block marked "checked: ..."), on JPEG copies of the example scene, and
# checks what they make:
#  - subject.png's alpha channel is alpha.bmp, and its colours are fg.bmp's
#    wherever alpha is above zero;
#  - composite.png is the cutout laid over the new background as an independent
#    computation (Python with Pillow) gives it;
#  - the many-sets command runs every set and names the one that fails;
#  - the conversion through pipes gives the results of the BMP files.
# shellcheck source=tools/lib.sh
source "$(dirname "$0")/lib.sh"
root=$(pwd)

install_deps imagemagick python3 python3-pil
configure_and_build build -DFERLANE_BUILD_TESTS=OFF -- ferlane >/dev/null
export PATH="$root/build/src/app:$PATH"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

readme_commands "one scene" >"$scratch/one-scene.sh"
readme_commands "many sets" >"$scratch/many-sets.sh"
readme_commands "through pipes" >"$scratch/through-pipes.sh"

# The camera's files: JPEG copies of the example photographs, and a new background.
work="$scratch/scene"
mkdir "$work"
for shot in bg0 bg1 image0 image1; do
  convert "examples/$shot.bmp" -quality 95 "$work/$shot.jpg"
done
size=$(identify -format '%wx%h' examples/bg0.bmp)
convert -size "$size" gradient:'#3070c0-#f0e0b0' "$work/new-background.png"

echo "running the README's commands for one scene:"
sed 's/^/  /' "$scratch/one-scene.sh"
(cd "$work" && bash -euo pipefail "$scratch/one-scene.sh" >console.txt)
# Debian's own Python, which the Pillow package serves.
/usr/bin/python3 tools/check_cutout.py "$work"

# Through pipes: the same JPEGs, no BMP file written but the results, which must
# equal those made from the BMP files.
piped="$scratch/piped"
mkdir "$piped"
cp "$work"/{bg0,bg1,image0,image1}.jpg "$piped/"
echo "running the README's commands through pipes:"
sed 's/^/  /' "$scratch/through-pipes.sh"
(cd "$piped" && bash -euo pipefail "$scratch/through-pipes.sh" >console.txt)
for result in alpha error fg; do
  cmp "$piped/$result.bmp" "$work/$result.bmp" || { echo "through pipes: $result.bmp differs" >&2; exit 1; }
done
[ "$(find "$piped" -mindepth 1 -maxdepth 1 -name '*.bmp' | wc -l)" -eq 3 ] || { echo "through pipes: BMP files other than the results were written" >&2; exit 1; }
echo "through pipes: the results equal those from BMP files"

# Many sets: two good ones and one that lacks a photograph.
sets="$scratch/batch/sets"
mkdir -p "$sets/first" "$sets/second" "$sets/broken"
for set in first second broken; do cp "$work"/{bg0,bg1,image0,image1}.bmp "$sets/$set/"; done
rm "$sets/broken/image1.bmp"
echo "running the README's commands for many sets:"
sed 's/^/  /' "$scratch/many-sets.sh"
status=0
(cd "$scratch/batch" && bash -uo pipefail "$scratch/many-sets.sh" 2>errors.txt) || status=$?
[ "$status" -eq 123 ] || { echo "many sets: expected status 123 for the broken set, got $status" >&2; exit 1; }
[ "$(cat "$scratch/batch/errors.txt")" = "failed: sets/broken" ] || { echo "many sets: the failure was reported as: $(cat "$scratch/batch/errors.txt")" >&2; exit 1; }
for set in first second; do
  cmp "$sets/$set/fg.bmp" "$work/fg.bmp" || { echo "many sets: set $set gave other results" >&2; exit 1; }
done
grep -qx 'failed' "$sets/broken/ferlane.log"
echo "many sets: every set ran, and the broken one was named"
