#!/usr/bin/env bash
# Builds the Debian package, installs it on this machine, and runs the installed
# ferlane from PATH on the example scene: its results must match the build's own.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh
cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DFERLANE_BUILD_TESTS=OFF >/dev/null
cmake --build build-package --parallel "$(nproc)" >/dev/null
(cd build-package && rm -f ./*.deb && cpack -G DEB >/dev/null)
package=$(ls build-package/ferlane_*.deb)
echo "built $package"

sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get install -y -qq "./$package" >/dev/null
installed=$(command -v ferlane)
[ "$installed" = /usr/bin/ferlane ] || { echo "ferlane on PATH is $installed, not the package's" >&2; exit 1; }
dpkg -L ferlane | grep -q '/usr/share/man/man1/ferlane.1.gz' || { echo "no manual page installed" >&2; exit 1; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/installed" "$scratch/built"
for d in installed built; do cp examples/*.bmp "$scratch/$d/"; done
(cd "$scratch/installed" && ferlane >console.txt)
(cd "$scratch/built" && "$OLDPWD/build-package/src/app/ferlane" >console.txt)
for result in alpha.bmp error.bmp fg.bmp console.txt; do
  cmp "$scratch/installed/$result" "$scratch/built/$result"
done
grep -qx 'write foreground "fg.bmp"' "$scratch/installed/console.txt"
grep -qx "Ferlane $(sed -n 's/^project(Ferlane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)" "$scratch/installed/console.txt"
echo "the installed ferlane ($(dpkg-query -W -f='${Version}' ferlane)) gives the expected results"
