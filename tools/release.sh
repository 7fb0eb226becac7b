#!/usr/bin/env bash
# Makes the release artifacts of the checked-out commit in dist/:
#   ferlane_<version>_amd64.deb    the Debian package
#   ferlane-<version>-win64.zip    the Windows program with its README and notices,
#                                  and the browser page as Ferlane.html
#   ferlane-<version>-web.zip      the browser page alone, with its notices, for any
#                                  folder or static web host
#   SHA256SUMS                     their sums, as `sha256sum -c` reads them
#
# Builds are reproducible: the same commit gives the same bytes, wherever and
# whenever it is built. Every time stamp is the commit's (SOURCE_DATE_EPOCH).
# shellcheck source=tools/lib.sh
source "$(dirname "$0")/lib.sh"

install_deps g++-mingw-w64-x86-64-posix python3

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
fi
export SOURCE_DATE_EPOCH
# Locale and time zone leave no trace in the archives either.
export LC_ALL=C.UTF-8 TZ=UTC
umask 022

build() {  # build DIRECTORY [CMAKE ARGUMENTS...]
  local directory=$1
  shift
  rm -rf "$directory"
  configure_and_build "$directory" -DFERLANE_BUILD_TESTS=OFF "$@" -- ferlane >/dev/null
  (cd "$directory" && cpack >/dev/null)
}

tools/build-web.sh >/dev/null
page=$PWD/build-web/site/index.html
build build-release-linux -DCMAKE_INSTALL_PREFIX=/usr -DFERLANE_WEB_PAGE="$page"
build build-release-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DFERLANE_WEB_PAGE="$page"

# The page alone: a folder to unpack anywhere, opened by a double-click on index.html.
version=$(sed -n 's/^project(Ferlane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
web=build-release-web/ferlane-$version-web
rm -rf build-release-web
mkdir -p "$web/licenses"
cp "$page" "$web/index.html"
cp LICENSE "$web/LICENSE.txt"
cp build-release-linux/packaging/web/THIRD-PARTY-NOTICES.txt "$web/"
cp /usr/share/common-licenses/MPL-2.0 "$web/licenses/MPL-2.0.txt"
(cd build-release-web && python3 - "ferlane-$version-web" <<'PYTHON'
import os, sys, zipfile
folder = sys.argv[1]
with zipfile.ZipFile(folder + ".zip", "w") as archive:
    for directory, _, files in os.walk(folder):
        archive.write(directory)
        for name in files:
            archive.write(os.path.join(directory, name))
PYTHON
)
python3 tools/reproducible_zip.py "build-release-web/ferlane-$version-web.zip"

rm -rf dist
mkdir dist
cp build-release-linux/ferlane_*_amd64.deb build-release-windows/ferlane-*-win64.zip \
  "build-release-web/ferlane-$version-web.zip" dist/
(cd dist && sha256sum ferlane_*_amd64.deb ferlane-*-win64.zip ferlane-*-web.zip >SHA256SUMS)
echo "release artifacts in $(pwd)/dist:"
(cd dist && stat -c '  %n (%s bytes)' ferlane* && sed 's/^/  /' SHA256SUMS)
