#!/usr/bin/env bash
# Makes the release artifacts of the checked-out commit in dist/:
#   ferlane_<version>_amd64.deb    the Debian package
#   ferlane-<version>-win64.zip    the Windows program with its README and notices
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

build build-release-linux -DCMAKE_INSTALL_PREFIX=/usr
build build-release-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake

rm -rf dist
mkdir dist
cp build-release-linux/ferlane_*_amd64.deb build-release-windows/ferlane-*-win64.zip dist/
(cd dist && sha256sum ferlane_*_amd64.deb ferlane-*-win64.zip >SHA256SUMS)
echo "release artifacts in $(pwd)/dist:"
(cd dist && ls -l --time-style=+ ferlane* | awk '{print "  " $NF " (" $5 " bytes)"}' && sed 's/^/  /' SHA256SUMS)
