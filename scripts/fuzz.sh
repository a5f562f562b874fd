#!/usr/bin/env bash
# Builds the fuzz targets with clang (and the address and undefined
# behaviour sanitizers) into build-fuzz/ and runs each for a while.
# Usage: scripts/fuzz.sh [seconds per target] (default 3, as the test run
# uses; give 600 or more for a real search). New inputs that widen the
# coverage collect in build-fuzz/corpus/<target>/; a crash leaves its input
# in build-fuzz/ as crash-<hash>: make it a regular test.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${FLUXA_BUILD_DIR:-$top/build}")-fuzz
seconds=${1:-3}
targets=(fuzz_intelhex fuzz_xml fuzz_parameters fuzz_answers fuzz_scenario)
CC=clang CXX=clang++ FLUXA_BUILD_DIR="$build" "$top/scripts/build.sh" \
  -DFLUXA_FUZZ=ON -DFLUXA_BUILD_TESTS=OFF -DFLUXA_BUILD_BENCH=OFF -- "${targets[@]}" >/dev/null
declare -A seeds=(
  [fuzz_intelhex]="$top/data/Firmware"
  [fuzz_xml]="$top/fuzz/seeds/xml"
  [fuzz_parameters]="$top/fuzz/seeds/parameters"
  [fuzz_answers]="$top/fuzz/seeds/answers"
  [fuzz_scenario]="$top/simulator/scenarios"
)
for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  mkdir -p "$corpus"
  seed_dirs=("${seeds[$target]}")
  # The product definitions too: one folder per product.
  [ "$target" = fuzz_xml ] && mapfile -t -O 1 seed_dirs < <(find "$top/data/Config" -mindepth 1 -maxdepth 1 -type d)
  echo "== $target (${seconds} s)"
  (cd "$build" && "./bin/$target" -max_total_time="$seconds" -max_len=80000 -print_final_stats=0 \
      "$corpus" "${seed_dirs[@]}" 2>&1 | grep -E '^(Done [0-9]+ runs|==[0-9]+==ERROR|SUMMARY)' || true)
  [ -z "$(ls "$build"/crash-* "$build"/leak-* "$build"/timeout-* 2>/dev/null)" ] || { echo "$target found a failing input" >&2; exit 1; }
done
echo "fuzz: every target ran without a finding"
