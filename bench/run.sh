#!/usr/bin/env bash
# Builds the benchmarks and runs each one; every benchmark prints its
# budget's figure last as name=value. Takes about a minute and a half (real
# line timing). The line-timing benchmarks run again over the serial device
# port (--port serial).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${FLUXA_BUILD_DIR:-$top/build}")
"$top/scripts/install-deps.sh"
benches=(bench_simulator bench_exchange bench_identify bench_definitions bench_download bench_idle bench_startup bench_gui_job bench_service_log bench_parallel)
serial_benches=(bench_exchange bench_download)
"$top/scripts/build.sh" -- "${benches[@]}" >/dev/null
run() {
  echo "== $*"
  "$build/bin/$1" "${@:2}"
}
for bench in "${benches[@]}"; do
  run "$bench"
done
for bench in "${serial_benches[@]}"; do
  run "$bench" --port serial
done
