# shellcheck shell=bash
# Sourced after lib.sh by tools/check-cluster-ssh.sh and tools/check-cluster-slurm.sh:
# what both do with the README's commands and the sets they run on. Each check keeps its
# tally in a file of its own, given to expect and tally_summary.

# ferlane built for the checks, first on PATH.
build_ferlane() {
  configure_and_build build-cluster -DFERLANE_BUILD_TESTS=OFF -- ferlane >/dev/null
  PATH="$(pwd)/build-cluster/src/app:$PATH"
}

expect() {  # expect TALLY DESCRIPTION COMMAND...: one test, passed when COMMAND succeeds
  if "${@:3}"; then
    echo "ok: $2"
    echo passed >>"$1"
  else
    echo "FAILED: $2" >&2
    echo failed >>"$1"
  fi
}

tally_summary() {  # tally_summary TALLY: prints "N passed, N failed"; fails on any failure
  local passed failed
  touch "$1-printed"
  passed=$(grep -c '^passed$' "$1" || true)
  failed=$(grep -c '^failed$' "$1" || true)
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}

readme_scripts() {  # readme_scripts FOLDER NAME...: each README block NAME as FOLDER/NAME.sh, spaces as dashes
  local name
  for name in "${@:2}"; do
    readme_commands "$name" >"$1/${name// /-}.sh"
  done
}

reference_run() {  # reference_run FOLDER: what one machine makes of the example scene, in FOLDER
  example_scene "$1"
  (cd "$1" && ferlane >ferlane.log)
}

sets() {  # sets FOLDER NAME...: FOLDER/sets/NAME for each; "broken" lacks a photograph
  local name
  for name in "${@:2}"; do
    example_scene "$1/sets/$name"
  done
  rm -f "$1/sets/broken/image1.bmp"
}

same_as_local() {  # same_as_local REFERENCE "FILE..." SET...: the sets' FILEs are REFERENCE's
  local reference=$1 files=$2 set file
  shift 2
  for set in "$@"; do
    for file in $files; do
      cmp -s "$set/$file" "$reference/$file" || { echo "  $set/$file is not the local run's" >&2; return 1; }
    done
  done
}

run_readme() {  # run_readme SCRIPT FOLDER: the status of SCRIPT, README commands, run in FOLDER
  local status=0
  (cd "$2" && bash -uo pipefail "$1" >output.txt 2>errors.txt) || status=$?
  return "$status"
}

# What the processes kept in FOLDER (start_kept) listen on beyond 127.0.0.0/8.
listening_beyond_loopback() {  # listening_beyond_loopback FOLDER
  local file
  for file in "$1"/*.pid; do
    [ -e "$file" ] || continue
    ss -ltnpH | awk -v pid="pid=$(cat "$file")," 'index($0, pid) && $4 !~ /^127\./'
  done
}

# The run's last test: every process it started is ended by its id, then none of the
# run may be left.
expect_no_leftovers() {  # expect_no_leftovers TALLY MARK
  local leftovers
  mapfile -t leftovers < <(run_leftovers "$2")
  if [ ${#leftovers[@]} -gt 0 ]; then
    ps -o pid,args -p "${leftovers[*]}" >&2 || true
    kill -KILL "${leftovers[@]}" 2>/dev/null || true
  fi
  expect "$1" "no process of the run is left" [ ${#leftovers[@]} -eq 0 ]
}

# On the check's exit, however it ends, a signal included: the daemons kept in each
# FOLDER ended by their ids, anything else of the run (FERLANE_RUN) killed, the scratch
# folder removed. A check that stopped before its summary says so in that form.
end_check() {  # end_check STATUS SCRATCH FOLDER...
  local status=$1 scratch=$2 folder
  for folder in "${@:3}"; do
    stop_kept "$folder"
  done
  end_leftovers "$scratch"
  [ -e "$scratch/tally-printed" ] || [ "$status" -eq 0 ] || echo "0 passed, 1 failed (the check stopped before its tests)"
  rm -rf "$scratch"
}
