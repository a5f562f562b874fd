#!/usr/bin/env bash
# The main job: builds the tool and the simulated bus. Where a display exists
# ($DISPLAY or $WAYLAND_DISPLAY) it opens the window, fluxa-usb, on the
# simulated basin faucet; without one it identifies the faucet with fluxa-cli
# and shows its information and error history.
# With arguments, runs fluxa-cli with them on the simulated bus instead,
# e.g. ./run.sh valve open, ./run.sh eeprom dump --json.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
build=$(realpath -m "${FLUXA_BUILD_DIR:-$top/build}")
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" fluxa-cli fluxa-usb velmorsim fluxa_config_data >/dev/null
export FLUXA_D2XX_LIBRARY="$build/bin/libvelmorsim.so"
export VELMOR_SIM_SCENARIO="${VELMOR_SIM_SCENARIO:-$top/simulator/scenarios/demo.txt}"
cli="$build/bin/fluxa-cli"
if [ $# -gt 0 ]; then
  exec "$cli" "$@"
fi
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$build/bin/fluxa-usb"
fi
lang=${FLUXA_DEMO_LANG:-en}
for command in identify info errors; do
  echo "== fluxa-cli $command"
  "$cli" "$command" --lang "$lang"
  echo
done
