#!/usr/bin/env bash
# Bounded fuzzing for CI: builds the libFuzzer targets with clang++
# (-fsanitize=fuzzer,address,undefined) and runs each for FUZZ_SECONDS
# (default 60), the FEM targets with the FEM dictionary. Fails on any finding: a crash, a
# sanitizer report, a broken invariant, a timeout or running out of memory.
# Prints for each target its median rate (inputs a second) and the coverage
# at the start and the end. See fuzz/README.md.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${FUZZ_SECONDS:-60}"
build="${FUZZ_BUILD_DIR:-build-libfuzzer}"

# LABLIX_REALWORLD_DIR, where set, points the build at another folder of
# real FEM files; the folder is then read from the build's cache.
CXX=clang++ cmake -S . -B "$build" -DLABLIX_FUZZ=ON -DLABLIX_TESTS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo ${LABLIX_REALWORLD_DIR:+"-DLABLIX_REALWORLD_DIR=$LABLIX_REALWORLD_DIR"} >/dev/null
cmake --build "$build" -j2 --target fem_file_fuzz line_fields_fuzz record_walk_fuzz \
  command_line_fuzz dialogue_answers_fuzz
realworld=$(sed -n 's/^LABLIX_REALWORLD_DIR:PATH=//p' "$build/CMakeCache.txt")

# Seeds: the bundled examples, the test cases' FEM files, the hostile
# cases' FEM files and small inputs at the header index's limits (committed
# in fuzz/seeds, see fuzz/README.md) and the real files of modelling tools
# (read in place; libFuzzer writes only to the first folder).
seeds="$build/fuzz-seeds"
rm -rf "$seeds" && mkdir -p "$seeds"
for f in examples/*.FEM tests/e2e/cases/*/input.FEM; do
  if [ -f "$f" ]; then cp "$f" "$seeds/$(echo "$f" | tr '/' '_')"; fi
done
seed_dirs=("$seeds" fuzz/seeds/hostile fuzz/seeds/index)
[ -n "$realworld" ] && [ -d "$realworld" ] && seed_dirs+=("$realworld")
# The dialogue's seeds: the end-to-end cases' answers; the command line's
# are committed (fuzz/seeds/command_line, arguments ended by NULs).
answer_seeds="$build/fuzz-seeds-answers"
rm -rf "$answer_seeds" && mkdir -p "$answer_seeds"
for f in tests/e2e/cases/*/answers.txt; do
  if [ -f "$f" ]; then cp "$f" "$answer_seeds/$(echo "$f" | tr '/' '_')"; fi
done

# The FEM target's scratch files (three per run) go to a folder of their own
# on a tmpfs where there is one; libFuzzer may exit without removing them.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  TMPDIR="$(mktemp -d /dev/shm/lablix-fuzz.XXXXXX)"
else
  TMPDIR="$(cd "$build" && pwd)/fuzz-tmp"
  rm -rf "$TMPDIR" && mkdir -p "$TMPDIR"
fi
export TMPDIR
trap 'rm -rf "$TMPDIR"' EXIT

# Each line of libFuzzer's output with the time it came (for the rate).
stamp() {
  local line
  while IFS= read -r line; do printf '%s %s\n' "$EPOCHREALTIME" "$line"; done
}

status=0
# The inputs that cross a stretch of the header index (57 to 74 KB) run once,
# with every check: fuzzed, inputs of that size cost 30 ms a run and halve
# the rate. Inputs up to 16 KB (a FEM file of a few hundred lines) for the
# FEM target and 4 KB (64 lines) for the line target: larger ones cost
# time per run without reaching new code.
echo "== fem_file_fuzz on the stretch seeds"
if ! "$build/fuzz/fem_file_fuzz" -max_len=81920 -close_fd_mask=3 fuzz/seeds/stretch/* \
    >"$build/fem_file_fuzz-stretch.log" 2>&1; then
  echo "!! fem_file_fuzz failed on a stretch seed"
  tail -n 60 "$build/fem_file_fuzz-stretch.log"
  status=1
fi
# Target, longest input, and its seeds and dictionary: the FEM targets'
# above, the command line's and the dialogue's their own. One process per
# target: nothing else adds to its corpus folder, which libFuzzer would
# otherwise read again every second (-reload=0).
for target in fem_file_fuzz:16384 line_fields_fuzz:4096 record_walk_fuzz:16384 \
    command_line_fuzz:4096 dialogue_answers_fuzz:16384; do
  max_len="${target#*:}"
  target="${target%%:*}"
  case "$target" in
    command_line_fuzz) inputs=(fuzz/seeds/command_line) dict=() ;;
    dialogue_answers_fuzz) inputs=("$answer_seeds") dict=() ;;
    *) inputs=("${seed_dirs[@]}") dict=(-dict=fuzz/fem.dict) ;;
  esac
  corpus="$build/fuzz-corpus/$target"
  artifacts="$build/fuzz-findings/$target/"
  log="$build/$target.log"
  mkdir -p "$corpus" "$artifacts"
  echo "== $target for ${seconds}s"
  if ! "$build/fuzz/$target" -max_total_time="$seconds" -max_len="$max_len" -timeout=20 \
      -rss_limit_mb=4096 -close_fd_mask=3 -reload=0 -print_final_stats=1 "${dict[@]}" \
      -artifact_prefix="$artifacts" "$corpus" "${inputs[@]}" 2>&1 | stamp >"$log"; then
    echo "!! $target found a fault; the input is in $artifacts"
    tail -n 60 "$log"
    status=1
  else
    grep -E "^[0-9.]+ (stat::number_of_executed_units|stat::peak_rss_mb)" "$log" | cut -d' ' -f2- || true
    read -r rate measured cov_start cov_end < <(awk -f fuzz/median_rate.awk "$log")
    echo "$target: median $rate inputs/s over ${measured}s; coverage $cov_start at start, $cov_end at end"
  fi
done
exit $status
