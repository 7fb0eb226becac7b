#!/usr/bin/env bash
# Builds the browser page: the image and matting code compiled to WebAssembly with
# Debian's Emscripten, and the page around it, as one file that needs no server:
#
#   tools/build-web.sh        -> build-web/site/index.html
# shellcheck source=tools/lib.sh
source "$(dirname "$0")/lib.sh"

install_deps emscripten esbuild python3
command -v npm >/dev/null || install_deps nodejs npm
# Emscripten runs parts of itself in Node and looks for Debian's Node modules there.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
# Debian ships Emscripten's system libraries prebuilt, in a cache it keeps frozen.
# Where they are missing, they are built once (minutes) into a cache of our own.
if [ ! -e /usr/share/emscripten/cache/sysroot/lib/wasm32-emscripten/libc++.a ]; then
  export EM_CACHE="$PWD/build-web/emscripten-cache" EM_FROZEN_CACHE=
fi

mkdir -p build-web
# Eigen is the host's, header-only; Emscripten's toolchain would search only its own sysroot.
emcmake cmake -S . -B build-web/cmake -DFERLANE_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=Release \
  -DEigen3_DIR=/usr/share/eigen3/cmake -DCMAKE_FIND_ROOT_PATH_MODE_PACKAGE=BOTH >build-web/configure.log 2>&1 ||
  { cat build-web/configure.log >&2; exit 1; }
cmake --build build-web/cmake --parallel "$(nproc)" --target ferlane_core >build-web/build.log 2>&1 ||
  { cat build-web/build.log >&2; exit 1; }

# The page's libraries from npm (fflate, which writes a batch's zip), at the versions
# web/package-lock.json pins.
if [ ! web/node_modules/.package-lock.json -nt web/package-lock.json ]; then
  (cd web && npm ci --no-audit --no-fund --loglevel=error)
fi
# The page's scripts are ES modules, by role (web/screen, web/worker, web/saver,
# web/shared); each thread's are bundled into one plain script, which a page opened
# from a file can run. The module and the door's numbers are made by the build
# and imported by these names.
python3 web/build/door_numbers.py web/door/ferlane_door.h build-web/generated/ferlane_door.js web
for entry in screen:page worker:worker saver:saver; do
  esbuild "web/${entry%%:*}/main.js" --bundle --format=iife --charset=utf8 --log-level=warning \
    --alias:ferlane-door-numbers=./build-web/generated/ferlane_door.js \
    --alias:ferlane-core=./build-web/cmake/web/door/ferlane_core.js \
    --outfile="build-web/bundles/${entry##*:}.js"
done
python3 web/build/assemble_page.py web build-web/bundles build-web/site/index.html
echo "page: $PWD/build-web/site/index.html ($(du -k build-web/site/index.html | cut -f1) KiB)"
