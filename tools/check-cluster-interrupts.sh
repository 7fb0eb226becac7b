#!/usr/bin/env bash
# Stops the cluster checks halfway, as a person or a CI runner would, and checks that
# each time they leave nothing behind: no policy-rc.d (one left would keep this machine
# from starting any service it installs, for good) and no process of theirs. Each is
# stopped with SIGINT sent to its whole process group (Ctrl-C in a terminal), with
# SIGTERM sent to the script alone (kill PID) and, during the install, with SIGHUP: right
# after its policy file is written and while apt-get runs (both faked: every package
# missing, apt-get a pause), during GNU parallel's run over ssh, and during the Slurm
# array. Also: a policy file left by a stopped install is removed, one that is not ours is
# left as it was, one held by an install still running stops the install, and a failed
# install removes its own. The policy file is one of its own (FERLANE_POLICY_RC_D), this
# machine's is not touched. Runs as root, after tools/check-cluster.sh has installed what
# the checks need (about a minute and a half here). Ends with "N passed, N failed".
# shellcheck source=tools/lib.sh
source "$(dirname "$0")/lib.sh"

[ "$(id -u)" -eq 0 ] || { echo "check-cluster-interrupts.sh runs as root, as the cluster checks do" >&2; exit 1; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
policy=$scratch/policy-rc.d
passed=0
failed=0

expect() {  # expect DESCRIPTION COMMAND...: one test, passed when COMMAND succeeds
  if "${@:2}"; then
    echo "ok: $1"
    passed=$((passed + 1))
  else
    echo "FAILED: $1" >&2
    failed=$((failed + 1))
  fi
}

# Fakes that make an install slow: every package missing, apt-get a pause of a few seconds
# (long enough to be stopped in, short enough to end on its own).
mkdir "$scratch/slow-install"
printf '#!/bin/sh\nexit 1\n' >"$scratch/slow-install/dpkg-query"
printf '#!/bin/sh\ntouch "%s/apt-get-ran"\nexec sleep 3\n' "$scratch" >"$scratch/slow-install/apt-get"
chmod +x "$scratch/slow-install/"*

# The processes whose command line or environment names the folder, this shell aside: every
# process a check starts does, as its scratch folder, made in $TMPDIR, is in one or the other.
# sshd's sessions name nothing, as they set their titles: every sshd started since the
# snapshot counts too.
leftovers() {  # leftovers FOLDER SNAPSHOT
  local file pid text
  for file in /proc/[0-9]*/cmdline; do
    pid=${file#/proc/}
    pid=${pid%/cmdline}
    if [ "$pid" = "$$" ] || [ "$pid" = "$BASHPID" ]; then continue; fi
    text=$(tr '\0' ' ' 2>/dev/null <"$file"; tr '\0' ' ' 2>/dev/null <"/proc/$pid/environ") || continue
    if [[ $text == *"$1"* ]] || { [[ $text == sshd:* ]] && ! grep -qx "$pid" "$2"; }; then
      echo "$pid ${text:0:150}"
    fi
  done
}

ended() { ! kill -0 "$1" 2>/dev/null; }

# Starts CHECK in a session of its own, with signals as a terminal gives them, waits for
# READY (a shell condition, WHEN in words) and sends SIGNAL to WHOM (group or script);
# then gives the check and what it left running a while to end, and tests that nothing is left.
interrupt() {  # interrupt CHECK SIGNAL WHOM WHEN READY [PATH_FIRST]
  local check=$1 signal=$2 whom=$3 when=$4 ready=$5 path_first=${6:-} folder pid
  folder=$(mktemp -d -p "$scratch")
  mkdir "$folder/tmp"
  # munged wants every folder above its socket open to all, as /tmp is.
  chmod 755 "$scratch" "$folder" "$folder/tmp"
  pgrep -x sshd >"$folder/sshd-before" || true
  rm -f "$scratch/apt-get-ran"
  # Not a job of this shell's, whose end bash would report.
  pid=$(TMPDIR=$folder/tmp FERLANE_POLICY_RC_D=$policy PATH="${path_first:+$path_first:}$PATH" \
    setsid env --default-signal=INT,TERM,HUP "tools/$check" >"$folder/log" 2>&1 & echo $!)
  local tries=0 there=yes
  until (cd "$folder" && eval "$ready"); do
    if ! kill -0 "$pid" 2>/dev/null || [ $((tries += 1)) -gt 3000 ]; then
      there=no
      tail -n 20 "$folder/log" >&2
      break
    fi
    sleep 0.02
  done
  expect "$check, SIG$signal to the $whom $when: it got there" [ "$there" = yes ]
  if [ "$whom" = group ]; then kill "-$signal" -- "-$pid" 2>/dev/null; else kill "-$signal" "$pid" 2>/dev/null; fi
  for _ in $(seq 300); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  expect "$check, SIG$signal to the $whom $when: it ends" ended "$pid"
  for _ in $(seq 150); do
    [ -e "$policy" ] || [ -n "$(leftovers "$folder" "$folder/sshd-before")" ] || break
    sleep 0.1
  done
  expect "$check, SIG$signal to the $whom $when: no policy-rc.d is left" [ ! -e "$policy" ]
  leftovers "$folder" "$folder/sshd-before" >"$folder/leftovers"
  expect "$check, SIG$signal to the $whom $when: no process is left" [ ! -s "$folder/leftovers" ]
  if [ -s "$folder/leftovers" ]; then
    sed 's/^/  /' "$folder/leftovers" >&2
    cut -d' ' -f1 "$folder/leftovers" | xargs -r kill -KILL 2>/dev/null || true
  fi
  rm -f "$policy"
}

for signal in INT:group TERM:script HUP:script; do
  interrupt check-cluster-ssh.sh "${signal%:*}" "${signal#*:}" "once its policy file is written" \
    "[ -e $policy ]" "$scratch/slow-install"
  interrupt check-cluster-ssh.sh "${signal%:*}" "${signal#*:}" "while apt-get runs" \
    "[ -e $scratch/apt-get-ran ]" "$scratch/slow-install"
done
for signal in INT:group TERM:script; do
  interrupt check-cluster-ssh.sh "${signal%:*}" "${signal#*:}" "during parallel's run over ssh" \
    "[ -e tmp/tmp.*/shared/ferlane.joblog ]"
  interrupt check-cluster-slurm.sh "${signal%:*}" "${signal#*:}" "during the Slurm array" \
    "[ -d tmp/tmp.*/slurm-sets/logs ]"
done

# The policy file as another left it. Nothing to install: the install is quick.
install_with_policy() {  # install_with_policy CONTENT [PATH_FIRST]: its output in $scratch/said
  [ -z "$1" ] || printf '%s\n' "$1" >"$policy"
  (
    export FERLANE_POLICY_RC_D=$policy PATH="${2:+$2:}$PATH"
    install_without_services procps
  ) >"$scratch/said" 2>&1
}
said() { grep -q "$1" "$scratch/said"; }

install_with_policy "$(printf '#!/bin/sh\n# ferlane install: process 999999 1\nexit 101')" || true
expect "a policy file left by a stopped install: removed, and said so" \
  said "^removing $policy: an install (process 999999) was stopped"
expect "a policy file left by a stopped install: the install goes on, and leaves none" [ ! -e "$policy" ]

foreign=$(printf '#!/bin/sh\n# the machine'"'"'s own\nexit 101')
install_with_policy "$foreign" || true
expect "a policy file that is not ours: kept as it was, and said so" \
  said "^$policy is not ours: it stays as it is"
expect "a policy file that is not ours: kept as it was" [ "$(cat "$policy")" = "$foreign" ]
rm -f "$policy"

mine="# ferlane install: process $$ $(process_start "$$")"
status=0
install_with_policy "$(printf '#!/bin/sh\n%s\nexit 101' "$mine")" || status=$?
expect "a policy file of an install still running: the install stops" [ "$status" -ne 0 ]
expect "a policy file of an install still running: kept as it was" [ "$(sed -n 2p "$policy")" = "$mine" ]
expect "a policy file of an install still running: said so" said "belongs to an install still running (process $$)"
rm -f "$policy"

printf '#!/bin/sh\nexit 100\n' >"$scratch/slow-install/apt-get"
status=0
install_with_policy "" "$scratch/slow-install" || status=$?
expect "a failed install: its status" [ "$status" -ne 0 ]
expect "a failed install: no policy file left" [ ! -e "$policy" ]

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
