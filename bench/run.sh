#!/usr/bin/env bash
# Runs the settings benchmark under Wine against the simulated unit, in a
# throw-away Wine prefix, and prints wall time, floor and ratio of a full
# read and a full write.
#   bench/run.sh [solvik] [marvek]      (default: both families)
# Builds what it needs first: rvz-sim (native preset) and settings_bench.exe
# (windows preset). RVZ_SIM_EXE / RVZ_BENCH_EXE name other builds.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

sim=${RVZ_SIM_EXE:-}
bench=${RVZ_BENCH_EXE:-}
if [ -z "$sim" ]; then
  cmake --preset native >/dev/null
  cmake --build --preset native --target rvz-sim >/dev/null
  sim=$root/build/native/sim/rvz-sim
fi
if [ -z "$bench" ]; then
  cmake --preset windows >/dev/null
  cmake --build --preset windows --target settings_bench >/dev/null
  bench=$root/build/windows/bench/settings_bench.exe
fi

prefix=$(mktemp -d "${TMPDIR:-/tmp}/rvz-bench-prefix.XXXXXX")
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  tests/wine/prefix.sh teardown "$prefix"
  rm -rf "$prefix"
}
trap cleanup EXIT
tests/wine/prefix.sh setup "$prefix"

families=("$@")
[ ${#families[@]} -gt 0 ] || families=(solvik marvek)
for family in "${families[@]}"; do
  tests/wine/with-sim.sh "$sim" tests/wine/wine-run.sh "$bench" "$family"
done
