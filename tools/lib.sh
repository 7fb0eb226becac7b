# shellcheck shell=bash
# Sourced by the scripts in tools/, bench/ and .ci/: strict mode, the repository
# root as working directory, and what they all do the same way.
#
#   source "$(dirname "$0")/lib.sh"        (from tools/; ../tools/lib.sh elsewhere)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

# A fresh machine may only have root, and no sudo; a developer's runs as themselves.
as_root() {  # as_root COMMAND [ARGUMENT...]
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Never a question on the terminal: these scripts run unattended in CI.
update_package_lists() {
  as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq
}

# shellcheck disable=SC2120  # the packages named are optional
install_deps() {  # install_deps [PACKAGE...]: what building and testing needs, and these
  local packages=(cmake make g++ dpkg-dev libeigen3-dev libgtest-dev libbenchmark-dev "$@")
  local missing=() package
  for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0

  echo "installing: ${missing[*]}"
  update_package_lists
  as_root env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=600 "${missing[@]}" >/dev/null
}

# The tests' Node modules (ESLint, puppeteer-core, fast-check) at the versions
# tests/web/package-lock.json locks; puppeteer-core without the browser it would download.
install_test_node_modules() {
  command -v npm >/dev/null || install_deps nodejs npm
  if [ ! tests/web/node_modules/.package-lock.json -nt tests/web/package-lock.json ]; then
    (cd tests/web && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error)
  fi
}

# Installing openssh-server, munge or slurm-wlm would start their services: an sshd on
# port 22 for every address, a munged. The scripts that install them start what they
# need themselves. Debian's maintainer scripts ask /usr/sbin/policy-rc.d first, and one
# that answers 101 starts nothing; left behind, it would keep this machine from starting
# any service it installs or upgrades from then on, so ours lives in a subshell whose
# traps remove it however the install ends, interrupted included, and the caller's own
# traps stay as they were. A policy file that is not ours is left as it is.
# FERLANE_POLICY_RC_D puts it elsewhere, for tools/check-cluster-interrupts.sh only.
install_without_services() {  # install_without_services PACKAGE...
  local policy=${FERLANE_POLICY_RC_D:-/usr/sbin/policy-rc.d} owner
  if [ -e "$policy" ]; then
    owner=$(sed -n 's/^# ferlane install: process \([0-9]* [0-9]*\)$/\1/p' "$policy")
    if [ -z "$owner" ]; then
      echo "$policy is not ours: it stays as it is, and decides whether the install starts services"
      install_deps "$@"
      return
    elif [ "$(process_start "${owner% *}")" = "${owner#* }" ]; then
      echo "$policy belongs to an install still running (process ${owner% *}): run again when it has ended" >&2
      return 1
    fi
    echo "removing $policy: an install (process ${owner% *}) was stopped before it could"
    as_root rm -f "$policy"
  fi
  (
    mark="# ferlane install: process $BASHPID $(process_start "$BASHPID")"
    trap 'grep -qxF "$mark" "$policy" 2>/dev/null && as_root rm -f "$policy"' EXIT
    trap 'exit 129' HUP
    trap 'exit 130' INT
    trap 'exit 143' TERM
    # noclobber: a file another made meanwhile is theirs.
    # shellcheck disable=SC2016  # the inner shell's own argument
    printf '#!/bin/sh\n%s\nexit 101\n' "$mark" | as_root sh -c 'set -C && cat >"$1" && chmod 755 "$1"' - "$policy"
    install_deps "$@"
  )
}

# A process's start, in clock ticks since boot: with its id, it names one process for
# good, where an id alone is soon another's. Empty for a process that has ended.
process_start() {  # process_start PID
  sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f20
}

# configure_and_build DIRECTORY [CMAKE ARGUMENT...] [-- TARGET...]
# A Release build unless the arguments name another type; every target unless some are named.
configure_and_build() {
  local directory=$1
  shift
  local arguments=() targets=()
  while [ $# -gt 0 ] && [ "$1" != -- ]; do
    arguments+=("$1")
    shift
  done
  if [ $# -gt 0 ]; then
    shift
    targets=(--target "$@")
  fi
  cmake -S . -B "$directory" -DCMAKE_BUILD_TYPE=Release "${arguments[@]}"
  cmake --build "$directory" --parallel "$(nproc)" "${targets[@]}"
}

example_scene() {  # example_scene DIRECTORY: the folder, made if need be, with the four example photographs
  mkdir -p "$1"
  cp examples/bg0.bmp examples/bg1.bmp examples/image0.bmp examples/image1.bmp "$1/"
}

# The README's code blocks marked "<!-- checked: NAME -->", in order, as one script:
# what CI runs is exactly what the README says. Fails if there is none.
readme_commands() {  # readme_commands NAME
  local commands
  commands=$(awk -v mark="<!-- checked: $1 -->" '
    $0 == mark { armed = 1; next }
    armed && /^```sh$/ { inside = 1; armed = 0; next }
    inside && /^```$/ { inside = 0; next }
    inside { print }
    { armed = armed && $0 == "" }' README.md)
  [ -n "$commands" ] || { echo "no checked commands \"$1\" in README.md" >&2; return 1; }
  printf '%s\n' "$commands"
}
