#!/usr/bin/env bash
# Runs the window tests, which take screenshots as a technician sees the
# window, and copies them to docs/screenshots/ for the README.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${FLUXA_BUILD_DIR:-$top/build}")
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" >/dev/null
rm -rf "$build/screenshots"
(cd "$build" && QT_QPA_PLATFORM=offscreen ctest -R '^test_(mainwindow|widgets|pages)' --output-on-failure >/dev/null)
mkdir -p "$top/docs/screenshots"
cp "$build"/screenshots/*.png "$top/docs/screenshots/"
ls "$top/docs/screenshots"
