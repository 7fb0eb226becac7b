# shellcheck shell=bash
# Sourced after lib.sh and run-processes.sh by the scripts that send sets to other
# machines with GNU parallel: two "machines" on this one, m2 and m3, each an sshd of its
# own on a loopback address (127.0.0.2 and 127.0.0.3) with its own home folder, reached
# with keys made for the run through an ssh configuration of the run's own. Nothing
# listens beyond 127.0.0.0/8. Everything about them is in one folder, which each function
# is given.
#
#   loopback_machines FOLDER      keys and configuration in FOLDER (made empty, or new), and
#                                 PARALLEL_SSH exported, so that parallel logs in with them
#   machine_up FOLDER NAME BIN    starts m2 or m3 with BIN first on its PATH; its id in FOLDER/NAME.pid
#   machine_down FOLDER NAME      ends it (stop_kept FOLDER ends both)
#
# Every process started on a machine carries the caller's FERLANE_RUN in its environment,
# so that leftovers can be found (run_leftovers).

loopback_machines() {  # loopback_machines FOLDER
  local folder=$1
  mkdir -p "$folder/keys" "$folder/m2" "$folder/m3"
  ssh-keygen -q -t ed25519 -N '' -f "$folder/keys/host"
  ssh-keygen -q -t ed25519 -N '' -f "$folder/keys/user"
  echo $((20000 + RANDOM % 20000)) >"$folder/port"
  cat >"$folder/ssh_config" <<CONFIG
Host m2 m3
  Port $(cat "$folder/port")
  User $(id -un)
  IdentityFile $folder/keys/user
  IdentitiesOnly yes
  BatchMode yes
  StrictHostKeyChecking no
  UserKnownHostsFile /dev/null
  LogLevel ERROR
Host m2
  HostName 127.0.0.2
Host m3
  HostName 127.0.0.3
CONFIG
  # GNU parallel, and the rsync it runs, log in with this ssh command.
  export PARALLEL_SSH="ssh -F $folder/ssh_config"
  # sshd as root keeps its unprivileged half in this folder, which its service would make.
  [ "$(id -u)" -ne 0 ] || mkdir -p /run/sshd
}

machine_up() {  # machine_up FOLDER NAME BIN
  local folder=$1 name=$2 bin=$3
  # A session starts in the machine's own home folder, as on a machine of its own, and
  # the command it was given runs unchanged. Bash reads no ~/.bashrc for it (it does so
  # under sshd only as a top-level shell, SHLVL unset): the user's own start-up files,
  # which can take a lock, are not part of the run.
  cat >"$folder/$name.sshd_config" <<CONFIG
ListenAddress 127.0.0.${name#m}:$(cat "$folder/port")
HostKey $folder/keys/host
AuthorizedKeysFile $folder/keys/user.pub
AuthenticationMethods publickey
PermitRootLogin prohibit-password
StrictModes no
UsePAM no
PidFile none
SetEnv PATH=$bin:/usr/bin:/bin SHLVL=1 FERLANE_RUN=${FERLANE_RUN:-}
ForceCommand cd $folder/$name && export HOME=$folder/$name && eval "\$SSH_ORIGINAL_COMMAND"
CONFIG
  : >"$folder/$name.log"
  start_kept "$folder" "$name" /usr/sbin/sshd -D -e -f "$folder/$name.sshd_config" 2>>"$folder/$name.log"
  for _ in $(seq 50); do
    grep -q "Server listening" "$folder/$name.log" && return 0
    sleep 0.1
  done
  echo "sshd for $name did not start:" >&2
  cat "$folder/$name.log" >&2
  return 1
}

machine_down() {  # machine_down FOLDER NAME
  stop_kept "$1" "$2"
}
