# shellcheck shell=bash
# Sourced after lib.sh by the checks that start daemons: each started in the background
# with its id kept in a folder, so that it is ended by that id, and the run's other
# processes found by a mark in their environment, however far down they were started.
# (A daemon that sets its process title, as sshd does, overwrites its environment as
# /proc shows it: only its kept id finds it.)
#
#   start_kept FOLDER NAME COMMAND...   starts COMMAND in the background, its id in FOLDER/NAME.pid
#   stop_kept FOLDER [NAME]             ends NAME, or every process kept in FOLDER, and waits for each
#   run_leftovers MARK                  the ids of the processes whose FERLANE_RUN is MARK
#   end_leftovers MARK                  kills those

start_kept() {  # start_kept FOLDER NAME COMMAND...
  local folder=$1 name=$2
  shift 2
  "$@" &
  echo $! >"$folder/$name.pid"
}

stop_kept() {  # stop_kept FOLDER [NAME]
  local file pid files
  if [ $# -gt 1 ]; then files=("$1/$2.pid"); else files=("$1"/*.pid); fi
  [ -e "${files[0]}" ] || return 0
  for file in "${files[@]}"; do
    kill "$(cat "$file")" 2>/dev/null || true
  done
  for file in "${files[@]}"; do
    pid=$(cat "$file")
    # Ended: its id may soon be another process's.
    rm -f "$file"
    wait "$pid" 2>/dev/null || true
  done
}

# This shell and the command substitution that asks are not leftovers.
run_leftovers() {  # run_leftovers MARK
  # shellcheck disable=SC2016  # the script's own variables
  env -u FERLANE_RUN bash -c '
    for environ in /proc/[0-9]*/environ; do
      pid=${environ#/proc/}
      pid=${pid%/environ}
      [ "$pid" = "$1" ] || [ "$pid" = "$2" ] && continue
      tr "\0" "\n" 2>/dev/null <"$environ" | grep -qxF "FERLANE_RUN=$3" && echo "$pid"
    done
    true' leftovers "$$" "$BASHPID" "$1"
}

# Again until none is found, a while at most: one may have been starting another.
end_leftovers() {  # end_leftovers MARK
  local leftovers
  for _ in $(seq 10); do
    mapfile -t leftovers < <(run_leftovers "$1")
    [ ${#leftovers[@]} -gt 0 ] || return 0
    kill -KILL "${leftovers[@]}" 2>/dev/null || true
    sleep 0.2
  done
}
