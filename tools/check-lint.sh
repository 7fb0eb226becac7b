#!/usr/bin/env bash
# Lints what is not C++ (tools/check-format.sh keeps that): every shell script in tools/,
# bench/ and .ci/ with Debian's shellcheck, following the files they source and heeding
# their "# shellcheck" directives; every Python file with Debian's flake8 (.flake8); the
# page's modules in web/, the JavaScript of tests/web (the functions its harness calls in
# the page included) and bench's Node scripts, with ESLint at the version
# tests/web/package-lock.json pins (tests/web/eslint.config.mjs). Lists each finding under
# the tool that made it, and ends with "N passed, N failed", one for each tool, and a
# non-zero status on any finding.
# shellcheck source=tools/lib.sh
source "$(dirname "$0")/lib.sh"

install_deps shellcheck flake8
# Node and npm run ESLint; a machine that has them from elsewhere keeps them.
install_test_node_modules

# Committed files and new ones alike, so that a script is linted before its first commit.
files() {  # files PATTERN...
  git ls-files --cached --others --exclude-standard -- "$@" | while read -r file; do
    [ -e "$file" ] && echo "$file"
  done
}
mapfile -t shell_scripts < <(
  files 'tools/*' 'bench/*' '.ci/*' | while read -r file; do
    case $file in
      *.sh) echo "$file" ;;
      *) head -n 1 "$file" | grep -Eq '^#!.*\b(ba)?sh\b' && echo "$file" ;;
    esac
  done
  true)
mapfile -t python_files < <(files '*.py')

failed=0
lint() {  # lint TOOL COMMAND...: runs COMMAND, and names TOOL above what it found
  local report
  report=$(mktemp)
  if "${@:2}" >"$report" 2>&1; then
    echo "$1: nothing found"
  else
    echo "$1 found:"
    grep -v '^$' "$report" | sed 's/^/  /'
    failed=$((failed + 1))
  fi
  rm -f "$report"
}
lint "shellcheck (${#shell_scripts[@]} scripts)" shellcheck --external-sources "${shell_scripts[@]}"
lint "flake8 (${#python_files[@]} files)" flake8 "${python_files[@]}"
lint "eslint (web/, tests/web/, bench/)" tests/web/node_modules/.bin/eslint --config tests/web/eslint.config.mjs \
  --max-warnings 0 web tests/web bench
echo "$((3 - failed)) passed, $failed failed"
[ "$failed" -eq 0 ]
