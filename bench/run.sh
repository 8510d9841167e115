#!/usr/bin/env bash
# Measures a whole Lablix run against `wc -l` on the same file.
#
#   bench/run.sh
#
# Builds in release mode (build-release/), writes the capacity-size FEM file
# into bench/data/ when it is not there yet, and for it and for the bundled
# example prints one line: the median wall time of five Lablix runs (label
# file and listing), the median of five `wc -l` runs on the same file, their
# ratio, and the peak resident memory of the Lablix runs. The runs go in turn,
# Lablix then wc, after one warm-up of each, so that both see the same state
# of the machine and the file is in the page cache for both.
#
# Needs GNU time (/usr/bin/time, Debian package `time`) and bash 5
# ($EPOCHREALTIME). Lablix must end with exit status 0 on both files.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-release
data=$root/bench/data
runs=5

if [ ! -x /usr/bin/time ]; then
  echo "bench/run.sh: /usr/bin/time is missing (Debian: apt-get install time)" >&2
  exit 1
fi

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DLABLIX_TESTS=OFF -DLABLIX_BENCH=ON \
  >/dev/null
cmake --build "$build" -j2 --target lablix make_capacity_fem >/dev/null

mkdir -p "$data"
if [ ! -f "$data/capacity.FEM" ] || [ ! -f "$data/capacity.answers" ]; then
  echo "writing $data/capacity.FEM ..."
  "$build/bench/make_capacity_fem" "$data"
fi
# The bundled example runs from bench/data too, so its outputs stay out of
# the source tree.
cp "$root/examples/jacket.FEM" "$data/jacket.FEM"
printf 'jacket.FEM\njacket.lab\ny\njacket.lst\n' >"$data/jacket.answers"

lablix=$build/lablix
rss_file=$(mktemp)
trap 'rm -f "$rss_file"' EXIT

# Wall time of one command in seconds, from bash's microsecond clock; both
# commands run under GNU time, so its own cost is the same on both sides.
elapsed=0
time_lablix() {  # $1: stem
  local start end
  start=$EPOCHREALTIME
  if ! /usr/bin/time -v -o "$rss_file" "$lablix" <"$1.answers" >/dev/null; then
    echo "bench/run.sh: lablix failed on $1.FEM" >&2
    exit 1
  fi
  end=$EPOCHREALTIME
  elapsed=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.6f", e - s }')
  local kb
  kb=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$rss_file")
  if [ "$kb" -gt "$peak_kb" ]; then peak_kb=$kb; fi
}
time_wc() {  # $1: stem
  local start end
  start=$EPOCHREALTIME
  /usr/bin/time -o "$rss_file" wc -l "$1.FEM" >/dev/null
  end=$EPOCHREALTIME
  elapsed=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.6f", e - s }')
}

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

measure() {  # $1: stem
  local stem=$1 i
  local -a lablix_times=() wc_times=()
  peak_kb=0
  time_lablix "$stem"
  time_wc "$stem"
  for ((i = 0; i < runs; ++i)); do
    time_lablix "$stem"
    lablix_times+=("$elapsed")
    time_wc "$stem"
    wc_times+=("$elapsed")
  done
  local lines bytes tl tw
  lines=$(wc -l <"$stem.FEM")
  bytes=$(stat -c %s "$stem.FEM")
  tl=$(median "${lablix_times[@]}")
  tw=$(median "${wc_times[@]}")
  awk -v f="$stem.FEM" -v n="$lines" -v b="$bytes" -v tl="$tl" -v tw="$tw" -v kb="$peak_kb" \
    'BEGIN { printf "%-13s %8d lines %6.1f MB   lablix %8.4f s   wc -l %8.4f s   ratio %5.2f   peak RSS %6.1f MB\n",
             f, n, b / 1e6, tl, tw, tl / tw, kb / 1024 }'
}

cd "$data"
echo "median of $runs runs each, taken in turn after a warm-up:"
measure capacity
measure jacket
