#!/usr/bin/env bash
# Measures lablix --view on a frame of 100000 elements against a normal run
# with the listing on the same file, in turn, and the page in headless
# Chromium.
#
#   bench/view.sh
#
# Builds in release mode (build-release/), writes bench/data/frame.FEM when
# it is not there yet (bench/make_frame_fem.cpp), and prints the median wall
# time of five runs of each (after a warm-up of each, taken in turn so both
# see the same machine), their ratio, the page's peak resident memory and
# its bytes per element. Then, where node, tests/browser/node_modules and
# Chromium are there, bench/view_browser.js gives the page's first frame,
# a hover's answer and a member's highlight, for the frame and for two
# blocks of solids (bench/make_solid_fem.cpp).
#
# Needs GNU time (/usr/bin/time) and bash 5 ($EPOCHREALTIME).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-release
data=$root/bench/data
runs=5

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DLABLIX_TESTS=OFF -DLABLIX_BENCH=ON \
  >/dev/null
cmake --build "$build" -j2 --target lablix make_frame_fem >/dev/null
mkdir -p "$data"
[ -f "$data/frame.FEM" ] || "$build/bench/make_frame_fem" "$data"
cd "$data"

rss_file=$(mktemp)
trap 'rm -f "$rss_file"' EXIT
elapsed=0
peak_kb=0
timed() {  # the command and its arguments
  local start end kb
  start=$EPOCHREALTIME
  /usr/bin/time -v -o "$rss_file" "$@" >/dev/null
  end=$EPOCHREALTIME
  elapsed=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.6f", e - s }')
  kb=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$rss_file")
  if [ "$kb" -gt "$peak_kb" ]; then peak_kb=$kb; fi
}
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

run_times=()
view_times=()
timed "$build/lablix" frame.FEM frame.lab frame.lst
timed "$build/lablix" --view frame.FEM frame.html
peak_kb=0
for ((i = 0; i < runs; ++i)); do
  timed "$build/lablix" frame.FEM frame.lab frame.lst
  run_times+=("$elapsed")
  timed "$build/lablix" --view frame.FEM frame.html
  view_times+=("$elapsed")
done
tr=$(median "${run_times[@]}")
tv=$(median "${view_times[@]}")
elements=$(grep -c '^GELMNT1' frame.FEM)
bytes=$(stat -c %s frame.html)
names=$(awk '/^TDSCONC/ { getline; sub(/^ +/, ""); n += length($0) } END { print n }' frame.FEM)
awk -v tr="$tr" -v tv="$tv" -v kb="$peak_kb" -v b="$bytes" -v e="$elements" -v nm="$names" \
  'BEGIN { printf "frame.FEM %d elements: run with listing %.4f s, --view %.4f s, ratio %.2f\n", e, tr, tv, tv / tr;
           printf "page %d bytes: %.1f bytes per element, %.1f without the names; peak RSS (both) %.1f MB\n",
                  b, b / e, (b - nm) / e, kb / 1024 }'

if command -v node >/dev/null && [ -d "$root/tests/browser/node_modules" ] && [ -x /usr/bin/chromium ]; then
  node "$root/bench/view_browser.js" "$data/frame.html"
  # Blocks of solids (bench/make_solid_fem.cpp): 50000 LHEX, 20000 IHEX.
  cmake --build "$build" -j2 --target make_solid_fem >/dev/null
  [ -f "$data/block_lhex.FEM" ] && [ -f "$data/block_ihex.FEM" ] || "$build/bench/make_solid_fem" "$data"
  for block in block_lhex block_ihex; do
    "$build/lablix" --view "$block.FEM" "$block.html" >/dev/null
    echo "$block.FEM:"
    node "$root/bench/view_browser.js" "$data/$block.html"
  done
else
  echo "(the browser's figures skipped: node, npm ci in tests/browser or chromium missing)"
fi
