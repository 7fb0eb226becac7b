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

# A turntable: two backgrounds for three frames, the subject moved at each, and a
# fourth frame whose second photograph is missing. Each frame's named results must
# be those of a plain run on that frame alone, and its mask alpha.bmp's grey.
readme_commands "turntable" >"$scratch/turntable.sh"
spin="$scratch/turntable"
mkdir "$spin"
cp "$work"/{bg0,bg1}.jpg "$spin/"
for frame in 0 1 2 3; do
  for shot in image0 image1; do
    convert "examples/$shot.bmp" -roll "+$((7 * frame))+0" -quality 95 "$spin/angle0${frame}_$shot.jpg"
  done
done
rm "$spin/angle03_image1.jpg"
echo "running the README's commands for a turntable:"
sed 's/^/  /' "$scratch/turntable.sh"
status=0
(cd "$spin" && bash -uo pipefail "$scratch/turntable.sh" 2>errors.txt) || status=$?
[ "$status" -eq 123 ] || { echo "turntable: expected status 123 for the broken frame, got $status" >&2; exit 1; }
grep -qx 'failed: angle03' "$spin/errors.txt" || { echo "turntable: the failure was reported as: $(cat "$spin/errors.txt")" >&2; exit 1; }
for frame in angle00 angle01 angle02; do
  alone="$scratch/alone-$frame"
  mkdir "$alone"
  cp "$spin/bg0.bmp" "$spin/bg1.bmp" "$alone/"
  cp "$spin/${frame}_image0.bmp" "$alone/image0.bmp"
  cp "$spin/${frame}_image1.bmp" "$alone/image1.bmp"
  (cd "$alone" && ferlane >/dev/null)
  for result in alpha error fg; do
    cmp "$spin/${frame}_$result.bmp" "$alone/$result.bmp" || { echo "turntable: ${frame}_$result.bmp differs from a run alone" >&2; exit 1; }
  done
  /usr/bin/python3 - "$spin/${frame}_mask.png" "$spin/${frame}_alpha.bmp" <<'PYTHON'
import sys
from PIL import Image
mask, alpha = Image.open(sys.argv[1]), Image.open(sys.argv[2])
if mask.mode != "L" or list(mask.getdata()) != list(alpha.getchannel("R").getdata()):
    sys.exit(f"turntable: {sys.argv[1]} is not alpha.bmp's grey")
PYTHON
done
echo "turntable: every frame has its own results, those of a run alone, and its mask; the broken frame was named"
