#!/usr/bin/env bash
# Runs the README's commands for GNU parallel over ssh exactly as written (its blocks
# marked "checked: cluster ...") against two machines on loopback addresses
# (tools/loopback-machines.sh), on sets of the example scene, one of them lacking a
# photograph, and checks what they make, with a shared folder and with copies: the broken
# set is named and listed, every other set has the results and console lines of a local
# run, byte for byte; the same command run again, once the photograph is back, runs only
# that set; without a shared folder, nothing is left in the machines' work folders; a
# machine lost mid-run loses no set. sshd listens on 127.0.0.0/8 only, every process
# started here is ended by its id, and any process of the run left over fails the check.
# Ends with "N passed, N failed" and a non-zero status on any failure.
# shellcheck source=tools/lib.sh
source "$(dirname "$0")/lib.sh"
# shellcheck source=tools/run-processes.sh
source tools/run-processes.sh
# shellcheck source=tools/loopback-machines.sh
source tools/loopback-machines.sh
# shellcheck source=tools/cluster-checks.sh
source tools/cluster-checks.sh

main() {
  local scratch tally machines
  scratch=$(mktemp -d)
  tally=$scratch/tally
  machines=$scratch/machines
  # shellcheck disable=SC2064  # the folders as they are now
  trap "end_check \$? $(printf %q "$scratch") $(printf %q "$machines")" EXIT
  # Ctrl-C ends the check, even where the command it waits for takes the signal and ends
  # as if it had finished (GNU parallel does), which bash takes as handled.
  trap 'exit 130' INT

  install_without_services openssh-server openssh-client parallel rsync procps iproute2
  build_ferlane
  readme_scripts "$scratch" "cluster shared" "cluster copies" "cluster missing"
  reference_run "$scratch/reference"
  # Every process of the run from here on, on either side of ssh, is known by this; the
  # install above is not one of them, and is never killed halfway.
  export FERLANE_RUN=$scratch

  # Two machines with ferlane on their PATH; m3 can instead go down at its first set.
  loopback_machines "$machines"
  mkdir "$scratch/bin" "$scratch/lost"
  ln -s "$(command -v ferlane)" "$scratch/bin/ferlane"
  lost_machine_ferlane "$scratch/lost/ferlane" "$machines/m3.pid" "$scratch"
  machine_up "$machines" m2 "$scratch/bin"
  machine_up "$machines" m3 "$scratch/bin"
  listening_beyond_loopback "$machines" >"$scratch/exposed"
  expect "$tally" "sshd listens on 127.0.0.0/8 only" [ ! -s "$scratch/exposed" ]
  cat "$scratch/exposed" >&2
  export HOME="$scratch/home"
  mkdir -p "$HOME/.parallel"
  touch "$HOME/.parallel/will-cite"

  local form
  for form in shared copies; do
    check_form "$tally" "$scratch" "$machines" "$form"
    check_machine_lost "$tally" "$scratch" "$machines" "$form"
  done

  stop_kept "$machines"
  expect_no_leftovers "$tally" "$FERLANE_RUN"
  tally_summary "$tally"
}

# A ferlane that takes its machine down, as a machine lost mid-run: the sshd whose id is
# in PIDFILE, and every session under it, killed; FOLDER/m3-went-down tells it happened.
lost_machine_ferlane() {  # lost_machine_ferlane SCRIPT PIDFILE FOLDER
  cat >"$1" <<SCRIPT
#!/bin/sh
touch "$3/m3-went-down"
listener=\$(cat "$2")
ps -eo pid=,ppid= | awk -v top="\$listener" -v self=\$\$ '
  { up[\$1] = \$2 }
  END { for (p in up) { q = p; while (q in up && q != top) q = up[q]; if (q == top && p != self) print p } }' >"$3/m3-sessions"
kill -KILL "\$listener" \$(cat "$3/m3-sessions") 2>/dev/null
exit 1
SCRIPT
  chmod +x "$1"
}

# One form of the README's command (shared or copies) over both machines: a first run with
# a broken set, and a second once it is mended.
check_form() {  # check_form TALLY SCRATCH MACHINES FORM
  local tally=$1 scratch=$2 machines=$3 form=$4
  local work=$scratch/$form script=$scratch/cluster-$form.sh status named logged
  local results="alpha.bmp error.bmp fg.bmp ferlane.log"
  sets "$work" a b broken c
  printf '2/m2\n2/m3\n' >"$work/machines.txt"
  named="failed: sets/broken"
  [ "$form" = copies ] || named="failed: $work/sets/broken"

  echo "running the README's parallel command, $form:"
  sed 's/^/  /' "$script"
  status=0
  run_readme "$script" "$work" || status=$?
  expect "$tally" "$form: status 1, for the one broken set" [ "$status" -eq 1 ]
  expect "$tally" "$form: the broken set is named, and no other" [ "$(grep "^failed: " "$work/errors.txt")" = "$named" ]
  expect "$tally" "$form: the other sets have the results and console lines of a local run" \
    same_as_local "$scratch/reference" "$results" "$work"/sets/{a,b,c}
  expect "$tally" "$form: the broken set's console lines end in failed" \
    [ "$(tail -n 1 "$work/sets/broken/ferlane.log")" = failed ]
  run_readme "$scratch/cluster-missing.sh" "$work"
  expect "$tally" "$form: the README's loop lists the broken set" [ "$(cat "$work/output.txt")" = "no results: sets/broken" ]

  cp examples/image1.bmp "$work/sets/broken/"
  logged=$(wc -l <"$work/ferlane.joblog")
  status=0
  run_readme "$script" "$work" || status=$?
  expect "$tally" "$form: run again, status 0" [ "$status" -eq 0 ]
  expect "$tally" "$form: run again, it ran the set that had failed, and only it" \
    [ "$(tail -n +$((logged + 1)) "$work/ferlane.joblog" | cut -f 7,9 | sed 's/ &&.*//')" = "0	cd ${named#failed: }" ]
  expect "$tally" "$form: run again, the set has the results of a local run" \
    same_as_local "$scratch/reference" "$results" "$work/sets/broken"
  if [ "$form" = copies ]; then
    expect "$tally" "copies: nothing is left in the machines' work folders" \
      [ -z "$(find "$machines/m2" "$machines/m3" -mindepth 1)" ]
  fi
}

# The same form with m3 going down at its first set: every set still comes home. Leaves
# m3 up again, with an empty home folder.
check_machine_lost() {  # check_machine_lost TALLY SCRATCH MACHINES FORM
  local tally=$1 scratch=$2 machines=$3 form=$4
  local lost=$scratch/$form-lost status=0
  sets "$lost" a b c d e
  printf '2/m2\n2/m3\n' >"$lost/machines.txt"
  machine_down "$machines" m3
  machine_up "$machines" m3 "$scratch/lost"
  rm -f "$scratch/m3-went-down"
  # (Not to stderr: bash's notice that m3's sshd was killed.)
  { run_readme "$scratch/cluster-$form.sh" "$lost" || status=$?; } 2>/dev/null
  expect "$tally" "$form, machine lost mid-run: it went down at its first set" [ -e "$scratch/m3-went-down" ]
  expect "$tally" "$form, machine lost mid-run: status 0" [ "$status" -eq 0 ]
  expect "$tally" "$form, machine lost mid-run: every set has the results of a local run" \
    same_as_local "$scratch/reference" "alpha.bmp error.bmp fg.bmp ferlane.log" "$lost"/sets/*
  machine_down "$machines" m3
  rm -rf "${machines:?}/m3"
  mkdir "$machines/m3"
  machine_up "$machines" m3 "$scratch/bin"
}

main "$@"
