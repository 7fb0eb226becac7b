#!/usr/bin/env bash
# Runs the README's commands for a Slurm job array exactly as written (its blocks marked
# "checked: slurm ...") on a one-node cluster started here (munged, slurmctld, slurmd, all
# on 127.0.0.1, their state in a scratch folder), over sets of the example scene, one of
# them lacking a photograph: a log per set, the results of a local run, the broken set
# named by the logs and by scontrol. Slurm listens on 127.0.0.0/8 only, every process
# started here is ended by its id, and any process of the run left over fails the check.
# Runs as root: Slurm's daemons need it. Ends with "N passed, N failed" and a non-zero
# status on any failure.
# shellcheck source=tools/lib.sh
source "$(dirname "$0")/lib.sh"
# shellcheck source=tools/run-processes.sh
source tools/run-processes.sh
# shellcheck source=tools/cluster-checks.sh
source tools/cluster-checks.sh

main() {
  local scratch tally slurm
  [ "$(id -u)" -eq 0 ] || { echo "check-cluster-slurm.sh runs as root: Slurm's daemons need it" >&2; exit 1; }
  scratch=$(mktemp -d)
  tally=$scratch/tally
  slurm=$scratch/slurm
  # shellcheck disable=SC2064  # the folders as they are now
  trap "end_check \$? $(printf %q "$scratch") $(printf %q "$slurm")" EXIT
  # Ctrl-C ends the check, even where the command it waits for takes the signal and ends
  # as if it had finished (GNU parallel does), which bash takes as handled.
  trap 'exit 130' INT

  install_without_services slurm-wlm munge procps iproute2
  build_ferlane
  readme_scripts "$scratch" "slurm submit" "slurm failures"
  reference_run "$scratch/reference"
  # Every process of the run from here on, Slurm's tasks included, is known by this; the
  # install above is not one of them, and is never killed halfway.
  export FERLANE_RUN=$scratch

  slurm_up "$slurm" "$scratch"
  expect "$tally" "slurm: the node is up" [ "$(sinfo -h -o %t)" = idle ]
  listening_beyond_loopback "$slurm" >"$scratch/exposed"
  expect "$tally" "Slurm listens on 127.0.0.0/8 only" [ ! -s "$scratch/exposed" ]
  cat "$scratch/exposed" >&2
  check_array "$tally" "$scratch"

  stop_kept "$slurm"
  expect_no_leftovers "$tally" "$FERLANE_RUN"
  tally_summary "$tally"
}

# A one-node Slurm on 127.0.0.1 on ports of its own, its state, key and configuration in
# FOLDER (inside SCRATCH, which munged wants open to all), its daemons' ids kept there;
# SLURM_CONF exported for the commands. Waits for the node to be idle, a while at most.
slurm_up() {  # slurm_up FOLDER SCRATCH
  local slurm=$1 port=$((20000 + RANDOM % 20000))
  mkdir -p "$slurm/state" "$slurm/spool" "$slurm/munge-key" "$slurm/munge"
  chmod 755 "$2" "$slurm" "$slurm/munge"  # munged wants its socket's folders open to all
  chmod 700 "$slurm/munge-key"
  head -c 1024 /dev/urandom >"$slurm/munge-key/munge.key"
  chmod 600 "$slurm/munge-key/munge.key"
  start_kept "$slurm" munged munged -F --key-file="$slurm/munge-key/munge.key" --socket="$slurm/munge/socket" \
    --pid-file="$slurm/munge/munged.pid" --log-file="$slurm/munge/munged.log" \
    --seed-file="$slurm/munge/munged.seed" 2>>"$slurm/munge/munged.log"
  # The node claims a little less memory than slurmd finds: claiming more would drain it.
  cat >"$slurm/slurm.conf" <<CONFIG
ClusterName=ferlane-check
SlurmctldHost=localhost(127.0.0.1)
SlurmctldPort=$port
SlurmdPort=$((port + 1))
CommunicationParameters=NoInAddrAny,NoCtldInAddrAny
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$slurm/munge/socket
SlurmUser=root
SlurmdUser=root
StateSaveLocation=$slurm/state
SlurmdSpoolDir=$slurm/spool
SlurmctldPidFile=$slurm/slurmctld.pid-file
SlurmdPidFile=$slurm/slurmd.pid-file
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
CONFIG
  export SLURM_CONF="$slurm/slurm.conf"
  for _ in $(seq 50); do [ -S "$slurm/munge/socket" ] && break; sleep 0.1; done
  [ -S "$slurm/munge/socket" ] || { echo "munged did not start:" >&2; cat "$slurm/munge/munged.log" >&2; return 1; }
  start_kept "$slurm" slurmctld slurmctld -D -i >>"$slurm/slurmctld.out" 2>&1
  start_kept "$slurm" slurmd slurmd -D -N localhost >>"$slurm/slurmd.out" 2>&1
  for _ in $(seq 100); do
    [ "$(sinfo -h -o %t 2>/dev/null)" = idle ] && break
    sleep 0.2
  done
}

# The README's array over four sets, one broken, then its failure commands once the job
# has left the queue.
check_array() {  # check_array TALLY SCRATCH
  local tally=$1 scratch=$2
  local work=$scratch/slurm-sets script=$scratch/slurm.sh
  sets "$work" a b broken c
  {
    cat "$scratch/slurm-submit.sh"
    # shellcheck disable=SC2016  # for the script
    echo 'for _ in $(seq 300); do [ -z "$(squeue -h -j "$job")" ] && break; sleep 0.2; done'
    cat "$scratch/slurm-failures.sh"
  } >"$script"
  echo "running the README's Slurm commands:"
  sed 's/^/  /' "$scratch/slurm-submit.sh" "$scratch/slurm-failures.sh"
  run_readme "$script" "$work" || true
  expect "$tally" "slurm: a log per set, which names its set first" \
    [ "$(head -q -n 1 "$work"/logs/*.log | sort)" = "$(printf '%s\n' "$work"/sets/{a,b,broken,c})" ]
  expect "$tally" "slurm: the other sets have the results of a local run" \
    same_as_local "$scratch/reference" "alpha.bmp error.bmp fg.bmp" "$work"/sets/{a,b,c}
  expect "$tally" "slurm: the logs and scontrol name the broken set's task, and only it" \
    [ "$(cat "$work/output.txt")" = "$(printf 'failed: %s\nArrayTaskId=3' "$work/sets/broken")" ]
}

main "$@"
