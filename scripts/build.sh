#!/usr/bin/env bash
# Configures and builds into build/ (or $FLUXA_BUILD_DIR) with two jobs.
# Arguments name the targets to build (default: all).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${FLUXA_BUILD_DIR:-$top/build}")
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
cmake -S "$top" -B "$build" -G Ninja -DFLUXA_WARNINGS_AS_ERRORS=$werror >/dev/null
targets=()
for target in "$@"; do targets+=(--target "$target"); done
cmake --build "$build" -j2 "${targets[@]}"
