#!/usr/bin/env bash
# Draws the pictures of the user interface into resources/pictures/.
# The output is committed: run this again only after changing a drawing
# in tools/draw_pictures/.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build-pictures"
cmake -S "$top/tools/draw_pictures" -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j1
QT_QPA_PLATFORM=offscreen "$build/draw_pictures" "$top/resources/pictures"
