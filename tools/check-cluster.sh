#!/usr/bin/env bash
# Runs the README's "Beyond one machine" commands exactly as written and checks what they
# make: GNU parallel over ssh to machines on loopback addresses (tools/check-cluster-ssh.sh)
# and a Slurm job array on a one-node cluster started here (tools/check-cluster-slurm.sh).
# Each prints its own "N passed, N failed"; both run, and any failure fails this. Runs as
# root: Slurm's daemons need it.
# shellcheck source=tools/lib.sh
source "$(dirname "$0")/lib.sh"

status=0
tools/check-cluster-ssh.sh || status=1
tools/check-cluster-slurm.sh || status=1
exit "$status"
