#!/usr/bin/env bash
# Builds the benchmarks and runs each one; every benchmark prints its
# budget's figure last as name=value. Takes about a minute (real line timing).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${FLUXA_BUILD_DIR:-$top/build}")
"$top/scripts/install-deps.sh"
benches=(bench_simulator bench_exchange bench_identify bench_definitions bench_download bench_idle bench_startup bench_gui_job bench_service_log)
"$top/scripts/build.sh" -- "${benches[@]}" >/dev/null
for bench in "${benches[@]}"; do
  echo "== $bench"
  "$build/bin/$bench"
done
