#!/usr/bin/env bash
# Times the README's commands for many sets, on this machine alone and on the two
# loopback machines of tools/loopback-machines.sh, over SETS copies of one generated
# scene of WIDTH x HEIGHT:
#   local       the xargs command of "Many sets", two at a time, no ssh
#   shared/1    GNU parallel with a shared folder, machines.txt naming one machine (2/m2)
#   shared/2    the same with both machines (2/m2, 2/m3)
#   copies/1    without a shared folder: each set copied in and its results back by rsync
#   copies/2    the same with both machines
# each once per round, in the same rounds, in a rotating order, after a pause, and prints
# the minimum, median and maximum wall time of each, sets per minute at the median, and
# the median time a set took as parallel saw it (its job log's JobRuntime, copies
# included). It also times ferlane alone on one set. Both machines share this machine's
# cores, so two cannot beat one here: what this measures is what each form costs on top
# of the runs themselves.
#
#   bench/cluster.sh [SETS [ROUNDS [WIDTH HEIGHT]]]   (defaults: 8 sets, 3 rounds, 6000 4000)
# shellcheck source=tools/lib.sh
source "$(dirname "$0")/../tools/lib.sh"
# shellcheck source=tools/run-processes.sh
source tools/run-processes.sh
# shellcheck source=tools/loopback-machines.sh
source tools/loopback-machines.sh
root=$(pwd)
count=${1:-8}
rounds=${2:-3}
width=${3:-6000}
height=${4:-4000}

install_without_services openssh-server openssh-client parallel rsync
configure_and_build build -DFERLANE_BUILD_TESTS=OFF -- ferlane ferlane-scene >/dev/null
export PATH="$root/build/src/app:$PATH"

scene="build-bench-cluster/scene-${width}x$height"
[ -e "$scene/image1.bmp" ] || { mkdir -p "$scene" && build/tools/ferlane-scene "$scene" "$width" "$height" >/dev/null; }
mkdir -p build-bench-cluster
scratch=$(mktemp -d -p "$root/build-bench-cluster")
machines=$scratch/machines
# Every process of the run, on either side of ssh, is known by this.
export FERLANE_RUN=$scratch
trap 'stop_kept "$machines"; end_leftovers "$FERLANE_RUN"; rm -rf "$scratch"' EXIT

for name in "many sets" "cluster shared" "cluster copies"; do
  readme_commands "$name" >"$scratch/${name// /-}.sh"
done
loopback_machines "$machines"
mkdir "$scratch/bin"
ln -s "$root/build/src/app/ferlane" "$scratch/bin/ferlane"
machine_up "$machines" m2 "$scratch/bin"
machine_up "$machines" m3 "$scratch/bin"
export HOME="$scratch/home"
mkdir -p "$HOME/.parallel"
touch "$HOME/.parallel/will-cite"

now() { date +%s.%N; }
since() { awk -v start="$1" -v end="$(now)" 'BEGIN { printf "%.3f", end - start }'; }

# ferlane alone, one set at a time.
single="$scratch/single"
mkdir "$single"
cp -l "$scene"/*.bmp "$single/"
for _ in $(seq "$rounds"); do
  rm -f "$single"/{alpha,error,fg}.bmp  # an alpha.bmp there would be read, not computed
  sleep 3
  start=$(now)
  (cd "$single" && ferlane >/dev/null)
  echo "alone $(since "$start") -" >>"$scratch/times"
done

configurations=(local shared/1 shared/2 copies/1 copies/2)
for round in $(seq "$rounds"); do
  echo "round $round of $rounds" >&2
  # A rotating order, so that no form always follows the same one.
  shift=$(((round - 1) % ${#configurations[@]}))
  for configuration in "${configurations[@]:shift}" "${configurations[@]:0:shift}"; do
    work="$scratch/work"
    rm -rf "$work" "$machines"/m2/.parallel "$machines"/m3/.parallel
    for set in $(seq -w "$count"); do
      mkdir -p "$work/sets/$set"
      cp -l "$scene"/*.bmp "$work/sets/$set/"
    done
    case $configuration in
      local) script=many-sets ;;
      shared/*) script=cluster-shared ;;
      copies/*) script=cluster-copies ;;
    esac
    case $configuration in
      */1) printf '2/m2\n' >"$work/machines.txt" ;;
      */2) printf '2/m2\n2/m3\n' >"$work/machines.txt" ;;
    esac
    sleep 3
    start=$(now)
    (cd "$work" && bash -euo pipefail "$scratch/$script.sh" >/dev/null)
    elapsed=$(since "$start")
    per_set=-
    if [ -e "$work/ferlane.joblog" ]; then
      per_set=$(tail -n +2 "$work/ferlane.joblog" | cut -f 4 | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
    fi
    for set in "$work"/sets/*; do
      cmp -s "$set/fg.bmp" "$single/fg.bmp" || { echo "$configuration: $set has other results" >&2; exit 1; }
    done
    echo "$configuration $elapsed $per_set" >>"$scratch/times"
  done
done

echo "$count sets of ${width}x$height, $rounds rounds, $(nproc) cores"
awk -v count="$count" '
  { times[$1] = times[$1] " " $2; sets[$1] = sets[$1] " " $3; if (!($1 in seen)) { seen[$1] = 1; order[++n] = $1 } }
  function sorted(list, v,   k, i, j, t) {
    k = split(list, v, " ")
    for (i = 2; i <= k; i++) for (j = i; j > 1 && v[j - 1] + 0 > v[j] + 0; j--) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
    return k
  }
  END {
    printf "%-10s %6s %8s %8s %8s %9s %11s\n", "form", "runs", "min_s", "median_s", "max_s", "sets/min", "set_median"
    for (i = 1; i <= n; i++) {
      name = order[i]; k = sorted(times[name], v); m = v[int((k + 1) / 2)]
      s = sorted(sets[name], w); per = w[int((s + 1) / 2)]
      rate = name == "alone" ? 60 / m : 60 * count / m
      printf "%-10s %6d %8.2f %8.2f %8.2f %9.1f %11s\n", name, k, v[1], m, v[k], rate, per
    }
  }' "$scratch/times"
