# shellcheck shell=bash
# Sourced after lib.sh by the scripts that send sets to other machines with GNU parallel:
# two "machines" on this one, m2 and m3, each an sshd of its own on a loopback address
# (127.0.0.2 and 127.0.0.3) with its own home folder, reached with keys made for the run
# through an ssh configuration of the run's own. Nothing listens beyond 127.0.0.0/8.
#
#   loopback_machines DIRECTORY   keys and configuration in DIRECTORY (made empty, or new)
#   machine_up NAME BIN           starts m2 or m3 with BIN first on its PATH
#   machine_down NAME             ends it
#   stop_started                  ends, by its id, every process started here
#
# Every process of the run, on either side of ssh, carries FERLANE_LOOPBACK=DIRECTORY in
# its environment, so that leftovers can be found (run_leftovers).

started=()

# Installing openssh-server, munge or slurm-wlm would start their services: an sshd on
# port 22 for every address, a munged. The scripts start what they need themselves.
install_without_services() {  # install_without_services PACKAGE...
  local policy=/usr/sbin/policy-rc.d made=no status=0
  if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' | as_root tee "$policy" >/dev/null
    as_root chmod 755 "$policy"
    made=yes
  fi
  install_deps "$@" || status=$?
  [ "$made" = no ] || as_root rm -f "$policy"
  return "$status"
}

loopback_machines() {  # loopback_machines DIRECTORY
  loopback=$1
  mkdir -p "$loopback/keys" "$loopback/m2" "$loopback/m3"
  ssh-keygen -q -t ed25519 -N '' -f "$loopback/keys/host"
  ssh-keygen -q -t ed25519 -N '' -f "$loopback/keys/user"
  loopback_port=$((20000 + RANDOM % 20000))
  export FERLANE_LOOPBACK=$loopback
  cat >"$loopback/ssh_config" <<EOF
Host m2 m3
  Port $loopback_port
  User $(id -un)
  IdentityFile $loopback/keys/user
  IdentitiesOnly yes
  BatchMode yes
  StrictHostKeyChecking no
  UserKnownHostsFile /dev/null
  LogLevel ERROR
Host m2
  HostName 127.0.0.2
Host m3
  HostName 127.0.0.3
EOF
  # GNU parallel, and the rsync it runs, log in with this ssh command.
  export PARALLEL_SSH="ssh -F $loopback/ssh_config"
  # sshd as root keeps its unprivileged half in this folder, which its service would make.
  [ "$(id -u)" -ne 0 ] || mkdir -p /run/sshd
}

machine_up() {  # machine_up NAME BIN
  local name=$1 bin=$2 address
  address=127.0.0.${name#m}
  # A session starts in the machine's own home folder, as on a machine of its own, and
  # the command it was given runs unchanged. Bash reads no ~/.bashrc for it (it does so
  # under sshd only as a top-level shell, SHLVL unset): the user's own start-up files,
  # which can take a lock, are not part of the run.
  cat >"$loopback/$name.sshd_config" <<EOF
ListenAddress $address:$loopback_port
HostKey $loopback/keys/host
AuthorizedKeysFile $loopback/keys/user.pub
AuthenticationMethods publickey
PermitRootLogin prohibit-password
StrictModes no
UsePAM no
PidFile none
SetEnv PATH=$bin:/usr/bin:/bin SHLVL=1 FERLANE_LOOPBACK=$loopback
ForceCommand cd $loopback/$name && export HOME=$loopback/$name && eval "\$SSH_ORIGINAL_COMMAND"
EOF
  : >"$loopback/$name.log"
  /usr/sbin/sshd -D -e -f "$loopback/$name.sshd_config" 2>>"$loopback/$name.log" &
  echo $! >"$loopback/$name.pid"
  started+=($!)
  for _ in $(seq 50); do
    grep -q "Server listening" "$loopback/$name.log" && return 0
    sleep 0.1
  done
  echo "sshd for $name did not start:" >&2
  cat "$loopback/$name.log" >&2
  return 1
}

machine_down() {  # machine_down NAME
  local pid
  pid=$(cat "$loopback/$1.pid")
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  # Ended: its id may soon be another process's.
  local kept=() other
  for other in "${started[@]}"; do
    [ "$other" = "$pid" ] || kept+=("$other")
  done
  started=("${kept[@]}")
}

stop_started() {
  local pid
  for pid in "${started[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${started[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  started=()
}

# The processes of this run still there, this script aside: their ids, one a line.
run_leftovers() {
  # shellcheck disable=SC2016  # the script's own variables
  env -u FERLANE_LOOPBACK bash -c '
    for environ in /proc/[0-9]*/environ; do
      pid=${environ#/proc/}
      pid=${pid%/environ}
      [ "$pid" = "$1" ] || [ "$pid" = "$2" ] && continue
      tr "\0" "\n" 2>/dev/null <"$environ" | grep -qxF "FERLANE_LOOPBACK=$3" && echo "$pid"
    done
    true' leftovers "$$" "$BASHPID" "$loopback"
}
