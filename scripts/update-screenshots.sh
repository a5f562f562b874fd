#!/usr/bin/env bash
# Runs the window tests (all named test_...), which take screenshots as a technician sees the
# window, and the service report's tests, which render the report's first page; copies the
# pictures to docs/screenshots/ for the README.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${FLUXA_BUILD_DIR:-$top/build}")
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" >/dev/null
rm -rf "$build/screenshots"
(cd "$build" && QT_QPA_PLATFORM=offscreen ctest -j2 -R '^(test_|CliReport\.)' --output-on-failure >/dev/null)
mkdir -p "$top/docs/screenshots"
cp "$build"/screenshots/*.png "$top/docs/screenshots/"
ls "$top/docs/screenshots"
