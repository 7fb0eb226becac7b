#!/usr/bin/env bash
# Checks that every C++ source keeps the style of .clang-format, with Debian's
# clang-format. Ends with "N passed, N failed": one line for each file that does
# not. To mend them: clang-format -i FILE...
# shellcheck source=tools/lib.sh
source "$(dirname "$0")/lib.sh"

install_deps clang-format

mapfile -t sources < <(git ls-files '*.cpp' '*.h' | grep -v '^tests/regressions/')
failed=0
for source in "${sources[@]}"; do
  if ! clang-format --style=file --dry-run --Werror "$source" >/dev/null 2>&1; then
    echo "not formatted: $source"
    failed=$((failed + 1))
  fi
done
echo "$((${#sources[@]} - failed)) passed, $failed failed"
[ "$failed" -eq 0 ]
