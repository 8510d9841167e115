#!/usr/bin/env bash
# Bounded fuzzing for CI: builds the libFuzzer targets with clang++
# (-fsanitize=fuzzer,address,undefined) and runs each for FUZZ_SECONDS
# (default 60). Fails on any finding: a crash, a sanitizer report, a broken
# invariant, a timeout or running out of memory. See fuzz/README.md.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${FUZZ_SECONDS:-60}"
build="${FUZZ_BUILD_DIR:-build-libfuzzer}"
realworld="${LABLIX_REALWORLD_DIR:-../shared/realworld}"

CXX=clang++ cmake -S . -B "$build" -DLABLIX_FUZZ=ON -DLABLIX_TESTS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target fem_file_fuzz line_fields_fuzz

# Seeds: the bundled examples, the test cases' FEM files and the real files
# of modelling tools (read in place; libFuzzer writes only to the first folder).
seeds="$build/fuzz-seeds"
rm -rf "$seeds" && mkdir -p "$seeds"
for f in examples/*.FEM tests/e2e/cases/*/input.FEM; do
  if [ -f "$f" ]; then cp "$f" "$seeds/$(echo "$f" | tr '/' '_')"; fi
done
seed_dirs=("$seeds")
[ -d "$realworld" ] && seed_dirs+=("$realworld")

# The FEM target's scratch files; libFuzzer may exit without removing them.
export TMPDIR="$(cd "$build" && pwd)/fuzz-tmp"
rm -rf "$TMPDIR" && mkdir -p "$TMPDIR"

status=0
# Inputs up to 16 KB (a FEM file of a few hundred lines) and 4 KB (64 lines):
# larger ones cost time per run without reaching new code.
for target in fem_file_fuzz:16384 line_fields_fuzz:4096; do
  max_len="${target#*:}"
  target="${target%%:*}"
  corpus="$build/fuzz-corpus/$target"
  artifacts="$build/fuzz-findings/$target/"
  mkdir -p "$corpus" "$artifacts"
  echo "== $target for ${seconds}s"
  if ! "$build/fuzz/$target" -max_total_time="$seconds" -max_len="$max_len" -timeout=20 \
      -rss_limit_mb=4096 -close_fd_mask=3 -print_final_stats=1 \
      -artifact_prefix="$artifacts" "$corpus" "${seed_dirs[@]}" >"$build/$target.log" 2>&1; then
    echo "!! $target found a fault; the input is in $artifacts"
    tail -n 60 "$build/$target.log"
    status=1
  else
    grep -E "^stat::number_of_executed_units|^stat::peak_rss_mb|^#[0-9]+ +DONE" "$build/$target.log" || true
  fi
done
rm -rf "$TMPDIR"
exit $status
