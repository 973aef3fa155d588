#!/usr/bin/env bash
# Runs RivovaZiv.exe under Wine against a simulated unit on COM3: no
# hardware needed. Installs what is missing, builds the simulator and the
# program, then opens the program on $DISPLAY, or, without a display, drives
# it on a virtual one and saves a screenshot. The Wine prefix, the
# screenshot and the simulator's report stay in build/run/.
#   bash tools/run.sh [--headless] [--com N] [--family solvik|marvek]
set -euo pipefail
cd "$(dirname "$0")/.."

out=build/run
mkdir -p "$out"

bash tools/setup.sh

build() {
  local preset=$1
  shift
  echo "run: building $preset ($*), log in $out/build-$preset.log"
  if ! { cmake --preset "$preset" && cmake --build --preset "$preset" --target "$@"; } \
      >"$out/build-$preset.log" 2>&1; then
    tail -40 "$out/build-$preset.log"
    exit 1
  fi
}
build native rvz-sim
build windows RivovaZiv gui_line_driver

exec python3 tools/run_app.py \
  --exe build/windows/ui/RivovaZiv.exe \
  --sim build/native/sim/rvz-sim \
  --driver build/windows/tests/gui/gui_line_driver.exe \
  --dir "$out" "$@"
