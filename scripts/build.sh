#!/usr/bin/env bash
# Configures and builds into build/ (or $FLUXA_BUILD_DIR) with two jobs.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${FLUXA_BUILD_DIR:-$top/build}
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
cmake -S "$top" -B "$build" -G Ninja -DFLUXA_WARNINGS_AS_ERRORS=$werror "$@" >/dev/null
cmake --build "$build" -j2
