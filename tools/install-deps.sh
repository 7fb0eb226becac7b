#!/usr/bin/env bash
# Installs what building and testing Ferlane needs on Debian, if anything is missing,
# together with any further packages named as arguments.
#
#   tools/install-deps.sh [PACKAGE ...]
# shellcheck source=tools/lib.sh
source "$(dirname "$0")/lib.sh"
install_deps "$@"
