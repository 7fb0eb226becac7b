#!/usr/bin/env bash
# Checks the release artifacts as their users will meet them:
#  1. tools/release.sh, run in two fresh clones of this commit in different
#     folders at different times, gives byte-identical artifacts;
#  2. lintian finds nothing to report on the Debian package (no error, no warning);
#  3. the package installs with apt: `ferlane` on PATH gives the build's results
#     on the example scene, with its manual page, and reads /etc/ferlane/Ferlane.ini
#     once that is edited;
#  4. the Windows zip, unpacked into a fresh folder, gives under Wine the same
#     results as the Linux build, reads a Ferlane.ini placed beside ferlane.exe,
#     and its README's loop for many sets, run exactly as written in Wine's cmd,
#     runs every set and names the one that fails;
#  5. the browser page is one and the same file in all three artifacts.
# shellcheck source=tools/lib.sh
source "$(dirname "$0")/lib.sh"

install_deps g++-mingw-w64-x86-64-posix wine wine64 lintian python3 unzip

scratch=$(mktemp -d)
etc_backup=""
cleanup() {
  if [ -n "$etc_backup" ]; then as_root cp "$etc_backup" /etc/ferlane/Ferlane.ini; fi
  if declare -F wine_cleanup >/dev/null; then wine_cleanup; fi
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "check-release: $*" >&2; exit 1; }

# 1. Two builds, two folders, two times.
git clone --quiet . "$scratch/first"
git clone --quiet . "$scratch/second/in/a/deeper/folder"
(cd "$scratch/first" && tools/release.sh >/dev/null)
sleep 2
(cd "$scratch/second/in/a/deeper/folder" && tools/release.sh >/dev/null)
first="$scratch/first/dist"
second="$scratch/second/in/a/deeper/folder/dist"
echo "first build:"; sed 's/^/  /' "$first/SHA256SUMS"
echo "second build:"; sed 's/^/  /' "$second/SHA256SUMS"
cmp "$first/SHA256SUMS" "$second/SHA256SUMS" || fail "two builds of one commit differ"
(cd "$second" && sha256sum --quiet -c SHA256SUMS) || fail "the sums do not match the artifacts"
deb=$(ls "$first"/ferlane_*_amd64.deb)
zip=$(ls "$first"/ferlane-*-win64.zip)
web_zip=$(ls "$first"/ferlane-*-web.zip)
version=$(sed -n 's/^project(Ferlane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ "$(basename "$deb")" = "ferlane_${version}_amd64.deb" ] || fail "unexpected package name $deb"
[ "$(basename "$zip")" = "ferlane-${version}-win64.zip" ] || fail "unexpected zip name $zip"
[ "$(basename "$web_zip")" = "ferlane-${version}-web.zip" ] || fail "unexpected zip name $web_zip"
stat -c '  %s bytes  %n' "$deb" "$zip" "$web_zip"

# 2. Lintian.
lintian --tag-display-limit 0 "$deb" 2>&1 | tee "$scratch/lintian.txt" | grep -v 'running with root privileges' || true
if grep -qE '^[EW]: ' "$scratch/lintian.txt"; then fail "lintian reports errors or warnings"; fi
echo "lintian: no errors, no warnings"

# The results of the Linux build itself, to compare both artifacts with.
example_scene "$scratch/built"
(cd "$scratch/built" && "$scratch/first/build-release-linux/src/app/ferlane" >console.txt)

same_results() {  # same_results DIRECTORY: its results equal the Linux build's
  for result in alpha.bmp error.bmp fg.bmp console.txt; do
    cmp "$1/$result" "$scratch/built/$result" || fail "$1/$result differs from the Linux build's"
  done
}

# 3. The Debian package, installed.
as_root apt-get install -y -qq "$deb" >/dev/null
[ "$(command -v ferlane)" = /usr/bin/ferlane ] || fail "ferlane on PATH is $(command -v ferlane), not the package's"
[ -f /usr/share/man/man1/ferlane.1.gz ] || fail "no manual page installed"
if command -v man >/dev/null; then
  man -P cat ferlane 2>/dev/null | grep -q 'two-background matting' || fail "man ferlane does not show the page"
fi
dpkg-query -W -f='${Conffiles}\n' ferlane | grep -q '/etc/ferlane/Ferlane.ini' || fail "/etc/ferlane/Ferlane.ini is no conffile"
example_scene "$scratch/installed"
(cd "$scratch/installed" && ferlane >console.txt)
same_results "$scratch/installed"
etc_backup="$scratch/Ferlane.ini.orig"
cp /etc/ferlane/Ferlane.ini "$etc_backup"
as_root sed -i 's/^Foreground=DEFAULT$/Foreground=from-etc.bmp/' /etc/ferlane/Ferlane.ini
rm "$scratch/installed/alpha.bmp"  # computed again, not read back clamped
(cd "$scratch/installed" && ferlane >edited.txt)
grep -qx 'write foreground "from-etc.bmp"' "$scratch/installed/edited.txt" || fail "the edited /etc/ferlane/Ferlane.ini is not read"
cmp "$scratch/installed/from-etc.bmp" "$scratch/built/fg.bmp" || fail "the foreground named in /etc differs"
as_root cp "$etc_backup" /etc/ferlane/Ferlane.ini
etc_backup=""
echo "the installed package ($(dpkg-query -W -f='${Version}' ferlane)) gives the build's results and reads /etc/ferlane/Ferlane.ini"

# 4. The Windows zip, unpacked.
mkdir "$scratch/unpacked"
(cd "$scratch/unpacked" && unzip -q "$zip")
program_dir="$scratch/unpacked/ferlane-${version}-win64"
for file in ferlane.exe README.txt LICENSE.txt THIRD-PARTY-NOTICES.txt Ferlane.example.ini licenses/MPL-2.0.txt licenses/GPL-3.0.txt; do
  [ -f "$program_dir/$file" ] || fail "the zip lacks $file"
done
[ ! -e "$program_dir/Ferlane.ini" ] || fail "the zip must not ship a Ferlane.ini that would be read"
for text in README.txt LICENSE.txt THIRD-PARTY-NOTICES.txt Ferlane.example.ini; do
  if grep -q $'[^\r]$' "$program_dir/$text" || ! grep -q $'\r$' "$program_dir/$text"; then
    fail "$text does not have Windows line ends"
  fi
done
source tools/wine-env.sh
run_exe() {  # run_exe DIRECTORY OUTPUT: the unpacked ferlane.exe, console lines with LF
  (cd "$1" && wine "$program_dir/ferlane.exe" </dev/null | tr -d '\r' >"$2")
}
example_scene "$scratch/windows"
run_exe "$scratch/windows" console.txt
same_results "$scratch/windows"
printf '[Ferlane]\r\nForeground=from-ini.bmp\r\n' >"$program_dir/Ferlane.ini"
rm "$scratch/windows/alpha.bmp"
run_exe "$scratch/windows" configured.txt
grep -qx 'write foreground "from-ini.bmp"' "$scratch/windows/configured.txt" || fail "a Ferlane.ini beside ferlane.exe is not read"
cmp "$scratch/windows/from-ini.bmp" "$scratch/built/fg.bmp" || fail "the foreground named in Ferlane.ini differs"
echo "the unpacked ferlane.exe gives the Linux build's results under Wine and reads a Ferlane.ini beside it"

# The README's loop for many sets, exactly as written, in Wine's cmd: the program
# where the README says it is, the sets in C:\Shoots, one of them broken.
loop=$(tr -d '\r' <"$program_dir/README.txt" | sed -n 's/^   \(for \/d .*\)$/\1/p')
[ -n "$loop" ] || fail "README.txt has no loop for many sets"
drive_c="$WINEPREFIX/drive_c"
mkdir -p "$drive_c/Tools"
cp -r "$program_dir" "$drive_c/Tools/"
rm -f "$drive_c/Tools/ferlane-${version}-win64/Ferlane.ini"
for set in monday tuesday broken; do example_scene "$drive_c/Shoots/$set"; done
rm "$drive_c/Shoots/broken/image1.bmp"
(cd "$scratch" && wine cmd /c "$loop" </dev/null | tr -d '\r' | sed 's/[[:space:]]*$//' >"$scratch/loop.txt")
[ "$(cat "$scratch/loop.txt")" = 'failed: C:\Shoots\broken' ] || fail "the loop for many sets reported: $(cat "$scratch/loop.txt")"
for set in monday tuesday; do
  cmp "$drive_c/Shoots/$set/fg.bmp" "$scratch/built/fg.bmp" || fail "the loop for many sets gave set $set other results"
done
grep -qx 'failed' <(tr -d '\r' <"$drive_c/Shoots/broken/ferlane.log") || fail "the broken set's ferlane.log does not say it failed"
echo "the README's loop for many sets runs every set under Wine's cmd and names the broken one"

# 5. The browser page, the same file in every artifact.
mkdir "$scratch/web" "$scratch/deb"
(cd "$scratch/web" && unzip -q "$web_zip")
page="$scratch/web/ferlane-${version}-web/index.html"
for file in index.html LICENSE.txt THIRD-PARTY-NOTICES.txt licenses/MPL-2.0.txt; do
  [ -f "$scratch/web/ferlane-${version}-web/$file" ] || fail "the web zip lacks $file"
done
dpkg-deb -x "$deb" "$scratch/deb"
cmp "$page" "$scratch/deb/usr/share/ferlane/web/index.html" || fail "the Debian package's page differs"
cmp "$page" "$program_dir/Ferlane.html" || fail "the Windows zip's Ferlane.html differs"
[ -f "$program_dir/Ferlane.html-NOTICES.txt" ] || fail "the Windows zip lacks the page's notices"
echo "the browser page is the same file in the web zip, the Debian package and the Windows zip"
