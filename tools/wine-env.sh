# shellcheck shell=bash
# Sourced by the scripts that run ferlane.exe: a throwaway Wine prefix, headless
# and quiet, with a persistent server and the prefix made up front, with no
# descriptor of the caller's held open (otherwise each run waits for Wine's
# helpers, or hangs on them for good). Call wine_cleanup when done.

# Wine needs a UTF-8 Linux locale to pass non-ASCII arguments and names intact.
export LANG=C.UTF-8
unset LC_ALL LANGUAGE
wine_scratch=$(mktemp -d)
export WINEPREFIX="$wine_scratch/wine" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe,winedbg.exe=d"
mkdir -p "$WINEPREFIX"
wine_cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$wine_scratch"
}
wineserver -p </dev/null >/dev/null 2>&1
wineboot -i </dev/null >/dev/null 2>&1
