#!/usr/bin/env bash
# Runs the README's "Beyond one machine" commands exactly as written (its blocks marked
# "checked: cluster ..." and "checked: slurm ..."), on sets of the example scene, one of
# them lacking a photograph, and checks what they make:
#  - GNU parallel over ssh to two machines on loopback addresses (tools/loopback-machines.sh),
#    with a shared folder and with copies: the broken set is named and listed, every other
#    set has the results and console lines of a local run, byte for byte; the same command
#    run again, once the photograph is back, runs only that set; without a shared folder,
#    nothing is left in the machines' work folders; a machine lost mid-run loses no set;
#  - a Slurm job array on a one-node cluster started here (munged, slurmctld, slurmd on
#    127.0.0.1): a log per set, the results of a local run, the broken set named by the
#    logs and by scontrol.
# Every process started here is ended by its id, and any process of the run left over
# fails the check. Runs as root (Slurm's daemons need it). Ends with "N passed, N failed"
# and a non-zero status on any failure.
# shellcheck source=tools/lib.sh
source "$(dirname "$0")/lib.sh"
# shellcheck source=tools/loopback-machines.sh
source tools/loopback-machines.sh
root=$(pwd)

passed=0
failed=0
summary=""
scratch=$(mktemp -d)
finish() {
  local status=$?
  stop_started
  [ -n "$summary" ] || { [ "$status" -eq 0 ] || echo "0 passed, 1 failed (the check stopped before its tests)"; }
  rm -rf "$scratch"
}
trap finish EXIT

[ "$(id -u)" -eq 0 ] || { echo "check-cluster.sh runs as root: Slurm's daemons need it" >&2; exit 1; }
install_without_services openssh-server openssh-client parallel rsync slurm-wlm munge procps iproute2
configure_and_build build -DFERLANE_BUILD_TESTS=OFF -- ferlane >/dev/null
export PATH="$root/build/src/app:$PATH"

expect() {  # expect DESCRIPTION COMMAND...: one test, passed when COMMAND succeeds
  if "${@:2}"; then
    echo "ok: $1"
    passed=$((passed + 1))
  else
    echo "FAILED: $1" >&2
    failed=$((failed + 1))
  fi
}

# The README's commands, as scripts.
for name in "cluster shared" "cluster copies" "cluster missing" "slurm submit" "slurm failures"; do
  readme_commands "$name" >"$scratch/${name// /-}.sh"
done

# What one machine makes of the example scene.
reference="$scratch/reference"
example_scene "$reference"
(cd "$reference" && ferlane >ferlane.log)

same_as_local() {  # same_as_local "FILE..." SET...: the sets' FILEs are the local run's
  local files=$1 set file
  shift
  for set in "$@"; do
    for file in $files; do
      cmp -s "$set/$file" "$reference/$file" || { echo "  $set/$file is not the local run's" >&2; return 1; }
    done
  done
}

# What the processes started here listen on beyond 127.0.0.0/8, into $scratch/exposed.
exposed() {
  local pid
  for pid in "${started[@]}"; do
    ss -ltnpH | awk -v pid="pid=$pid," 'index($0, pid) && $4 !~ /^127\./' >>"$scratch/exposed"
  done
}

sets() {  # sets FOLDER NAME...: FOLDER/sets/NAME for each; "broken" lacks a photograph
  local name
  for name in "${@:2}"; do
    example_scene "$1/sets/$name"
  done
  rm -f "$1/sets/broken/image1.bmp"
}

# Two machines with ferlane on their PATH; m3 can instead go down at its first set, as a
# machine lost mid-run: its sshd and every session on it killed.
loopback_machines "$scratch/machines"
mkdir "$scratch/bin" "$scratch/lost"
ln -s "$root/build/src/app/ferlane" "$scratch/bin/ferlane"
cat >"$scratch/lost/ferlane" <<EOF
#!/bin/sh
touch "$scratch/m3-went-down"
listener=\$(cat "$loopback/m3.pid")
ps -eo pid=,ppid= | awk -v top="\$listener" -v self=\$\$ '
  { up[\$1] = \$2 }
  END { for (p in up) { q = p; while (q in up && q != top) q = up[q]; if (q == top && p != self) print p } }' >"$scratch/m3-sessions"
kill -KILL "\$listener" \$(cat "$scratch/m3-sessions") 2>/dev/null
exit 1
EOF
chmod +x "$scratch/lost/ferlane"
machine_up m2 "$scratch/bin"
machine_up m3 "$scratch/bin"
exposed
export HOME="$scratch/home"
mkdir -p "$HOME/.parallel"
touch "$HOME/.parallel/will-cite"

run_readme() {  # run_readme SCRIPT FOLDER: status of the README's commands run in FOLDER
  local status=0
  (cd "$2" && bash -uo pipefail "$scratch/$1.sh" >output.txt 2>errors.txt) || status=$?
  return "$status"
}

for form in shared copies; do
  work="$scratch/$form"
  sets "$work" a b broken c
  printf '2/m2\n2/m3\n' >"$work/machines.txt"
  named="failed: sets/broken"
  [ "$form" = copies ] || named="failed: $work/sets/broken"

  echo "running the README's parallel command, $form:"
  sed 's/^/  /' "$scratch/cluster-$form.sh"
  status=0
  run_readme "cluster-$form" "$work" || status=$?
  expect "$form: status 1, for the one broken set" [ "$status" -eq 1 ]
  expect "$form: the broken set is named, and no other" [ "$(grep "^failed: " "$work/errors.txt")" = "$named" ]
  expect "$form: the other sets have the results and console lines of a local run" \
    same_as_local "alpha.bmp error.bmp fg.bmp ferlane.log" "$work"/sets/{a,b,c}
  expect "$form: the broken set's console lines end in failed" [ "$(tail -n 1 "$work/sets/broken/ferlane.log")" = failed ]
  run_readme cluster-missing "$work"
  expect "$form: the README's loop lists the broken set" [ "$(cat "$work/output.txt")" = "no results: sets/broken" ]

  cp examples/image1.bmp "$work/sets/broken/"
  logged=$(wc -l <"$work/ferlane.joblog")
  status=0
  run_readme "cluster-$form" "$work" || status=$?
  expect "$form: run again, status 0" [ "$status" -eq 0 ]
  expect "$form: run again, it ran the set that had failed, and only it" \
    [ "$(tail -n +$((logged + 1)) "$work/ferlane.joblog" | cut -f 7,9 | sed 's/ &&.*//')" = "0	cd ${named#failed: }" ]
  expect "$form: run again, the set has the results of a local run" \
    same_as_local "alpha.bmp error.bmp fg.bmp ferlane.log" "$work/sets/broken"
  if [ "$form" = copies ]; then
    expect "copies: nothing is left in the machines' work folders" \
      [ -z "$(find "$loopback/m2" "$loopback/m3" -mindepth 1)" ]
  fi

  # A machine lost mid-run.
  lost="$scratch/$form-lost"
  sets "$lost" a b c d e
  printf '2/m2\n2/m3\n' >"$lost/machines.txt"
  machine_down m3
  machine_up m3 "$scratch/lost"
  rm -f "$scratch/m3-went-down"
  status=0
  # (Not to stderr: bash's notice that m3's sshd was killed.)
  { run_readme "cluster-$form" "$lost" || status=$?; } 2>/dev/null
  expect "$form, machine lost mid-run: it went down at its first set" [ -e "$scratch/m3-went-down" ]
  expect "$form, machine lost mid-run: status 0" [ "$status" -eq 0 ]
  expect "$form, machine lost mid-run: every set has the results of a local run" \
    same_as_local "alpha.bmp error.bmp fg.bmp ferlane.log" "$lost"/sets/*
  machine_down m3
  rm -rf "${loopback:?}/m3"
  mkdir "$loopback/m3"
  machine_up m3 "$scratch/bin"
done
machine_down m2
machine_down m3

# A one-node Slurm on 127.0.0.1, its state in the scratch folder.
slurm="$scratch/slurm"
mkdir -p "$slurm/state" "$slurm/spool" "$slurm/munge-key" "$slurm/munge"
chmod 755 "$scratch" "$slurm" "$slurm/munge"  # munged wants its socket's folders open to all
chmod 700 "$slurm/munge-key"
head -c 1024 /dev/urandom >"$slurm/munge-key/munge.key"
chmod 600 "$slurm/munge-key/munge.key"
munged -F --key-file="$slurm/munge-key/munge.key" --socket="$slurm/munge/socket" \
  --pid-file="$slurm/munge/munged.pid" --log-file="$slurm/munge/munged.log" \
  --seed-file="$slurm/munge/munged.seed" 2>>"$slurm/munge/munged.log" &
started+=($!)
# The node claims a little less memory than slurmd finds: claiming more would drain it.
cat >"$slurm/slurm.conf" <<EOF
ClusterName=ferlane-check
SlurmctldHost=localhost(127.0.0.1)
SlurmctldPort=$((loopback_port + 1))
SlurmdPort=$((loopback_port + 2))
CommunicationParameters=NoInAddrAny,NoCtldInAddrAny
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$slurm/munge/socket
SlurmUser=root
SlurmdUser=root
StateSaveLocation=$slurm/state
SlurmdSpoolDir=$slurm/spool
SlurmctldPidFile=$slurm/slurmctld.pid
SlurmdPidFile=$slurm/slurmd.pid
SlurmctldLogFile=$slurm/slurmctld.log
SlurmdLogFile=$slurm/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU_Memory
MpiDefault=none
ReturnToService=2
MailProg=/bin/true
NodeName=localhost NodeAddr=127.0.0.1 CPUs=$(nproc) RealMemory=$(awk '/^MemTotal:/ { print int($2 / 1024 * 0.9) }' /proc/meminfo) State=UNKNOWN
PartitionName=main Nodes=localhost Default=YES MaxTime=INFINITE State=UP
EOF
export SLURM_CONF="$slurm/slurm.conf"
for _ in $(seq 50); do [ -S "$slurm/munge/socket" ] && break; sleep 0.1; done
slurmctld -D -i >>"$slurm/slurmctld.out" 2>&1 &
started+=($!)
slurmd -D -N localhost >>"$slurm/slurmd.out" 2>&1 &
started+=($!)
for _ in $(seq 100); do
  [ "$(sinfo -h -o %t 2>/dev/null)" = idle ] && break
  sleep 0.2
done
expect "slurm: the node is up" [ "$(sinfo -h -o %t)" = idle ]
exposed
expect "sshd and Slurm listen on 127.0.0.0/8 only" [ ! -s "$scratch/exposed" ]
cat "$scratch/exposed" >&2

work="$scratch/slurm-sets"
sets "$work" a b broken c
{
  cat "$scratch/slurm-submit.sh"
  # shellcheck disable=SC2016  # for the script
  echo 'for _ in $(seq 300); do [ -z "$(squeue -h -j "$job")" ] && break; sleep 0.2; done'
  cat "$scratch/slurm-failures.sh"
} >"$scratch/slurm.sh"
echo "running the README's Slurm commands:"
sed 's/^/  /' "$scratch/slurm-submit.sh" "$scratch/slurm-failures.sh"
run_readme slurm "$work" || true
expect "slurm: a log per set, which names its set first" \
  [ "$(head -q -n 1 "$work"/logs/*.log | sort)" = "$(printf '%s\n' "$work"/sets/{a,b,broken,c})" ]
expect "slurm: the other sets have the results of a local run" \
  same_as_local "alpha.bmp error.bmp fg.bmp" "$work"/sets/{a,b,c}
expect "slurm: the logs and scontrol name the broken set's task, and only it" \
  [ "$(cat "$work/output.txt")" = "$(printf 'failed: %s\nArrayTaskId=3' "$work/sets/broken")" ]

stop_started
mapfile -t leftovers < <(run_leftovers)
if [ ${#leftovers[@]} -gt 0 ]; then
  ps -o pid,args -p "${leftovers[*]}" >&2 || true
  kill -KILL "${leftovers[@]}" 2>/dev/null || true
fi
expect "no process of the run is left" [ ${#leftovers[@]} -eq 0 ]

summary="$passed passed, $failed failed"
echo "$summary"
[ "$failed" -eq 0 ]
