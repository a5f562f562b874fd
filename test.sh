#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite: the
# monitors under ThreadSanitizer first, then every test, then each fuzz
# target for a few seconds, then the Windows build's tests under Wine.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
build=$(realpath -m "${FLUXA_BUILD_DIR:-$top/build}")
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh"

# The threads of the device link (both monitors beside commands, with faults
# on the line) and fluxa-cli's jobs on several adapters at once under
# ThreadSanitizer, in a build of their own without the window and the
# report (no Qt).
FLUXA_BUILD_DIR="$build-tsan" "$top/scripts/build.sh" -DFLUXA_SANITIZE_THREAD=ON -DFLUXA_BUILD_BENCH=OFF -DFLUXA_BUILD_GUI=OFF \
  -- test_monitors_stress test_cli_parallel
(cd "$build-tsan" && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure --timeout 300 -R '^(MonitorStress|CliParallel)')

(cd "$build" && ctest --output-on-failure -j2 --timeout 300)

# A short, fixed search of every fuzz target; scripts/fuzz.sh <seconds> runs
# them longer.
FLUXA_BUILD_DIR="$build" "$top/scripts/fuzz.sh" 3

# The core, the simulated bus and fluxa-cli cross-built for Windows, their
# tests under Wine in a fresh prefix of the build folder's own.
windows_build=$(realpath -m "${FLUXA_WINDOWS_BUILD_DIR:-$build-windows}")
FLUXA_WINDOWS_BUILD_DIR="$windows_build" "$top/scripts/build-windows.sh"
rm -rf "$windows_build/wineprefix"
WINEPREFIX="$windows_build/wineprefix" WINEDEBUG=-all /usr/lib/wine/wine64 wineboot --init
(cd "$windows_build" && ctest --output-on-failure -j2 --timeout 300)
