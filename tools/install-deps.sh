#!/usr/bin/env bash
# Installs what building and testing Ferlane needs on Debian, if anything is missing,
# together with any further packages named as arguments.
#
#   tools/install-deps.sh [PACKAGE ...]
set -euo pipefail

packages=(cmake make g++ dpkg-dev libeigen3-dev libgtest-dev libbenchmark-dev "$@")
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=600 "${missing[@]}" >/dev/null
