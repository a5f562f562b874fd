#!/usr/bin/env bash
# Configures and builds into build/ (or $FLUXA_BUILD_DIR) with two jobs.
# Usage: build.sh [cmake -D options ...] [--] [targets ...] (default: all).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${FLUXA_BUILD_DIR:-$top/build}")
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
options=()
while [ $# -gt 0 ] && [ "$1" != "--" ] && [ "${1#-D}" != "$1" ]; do options+=("$1"); shift; done
[ "${1:-}" = "--" ] && shift
targets=()
for target in "$@"; do targets+=(--target "$target"); done
# With ccache, builds of other checkouts and build folders share the cache.
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR=$top CCACHE_NOHASHDIR=1
  options=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache "${options[@]}")
fi
cmake -S "$top" -B "$build" -G Ninja -DFLUXA_WARNINGS_AS_ERRORS=$werror "${options[@]}" >/dev/null
cmake --build "$build" -j2 "${targets[@]}"
