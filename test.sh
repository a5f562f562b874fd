#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh"
cd "$(realpath -m "${FLUXA_BUILD_DIR:-$top/build}")"
ctest --output-on-failure -j2 --timeout 300
