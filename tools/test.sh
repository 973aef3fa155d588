#!/usr/bin/env bash
# Installs what is missing, builds the Linux and the Windows builds, and runs
# every test: native, native under ASan+UBSan, Windows under Wine (and Xvfb).
set -uo pipefail
cd "$(dirname "$0")/.."

start=$(date +%s)
bash tools/setup.sh || exit 1
echo "setup took $(( $(date +%s) - start )) s"

logdir=build/test-logs
mkdir -p "$logdir"
passed=0 failed=0 status=0

run_preset() {
  local preset=$1 jobs=$2
  local t0=$(date +%s)
  echo "=== $preset: build"
  if ! cmake --preset "$preset" >"$logdir/$preset-configure.log" 2>&1; then
    cat "$logdir/$preset-configure.log"; status=1; failed=$((failed + 1)); return
  fi
  if ! cmake --build --preset "$preset" >"$logdir/$preset-build.log" 2>&1; then
    tail -60 "$logdir/$preset-build.log"; status=1; failed=$((failed + 1)); return
  fi
  echo "=== $preset: test"
  ctest --preset "$preset" -j "$jobs" 2>&1 | tee "$logdir/$preset-ctest.log" | grep -avE '^ *([0-9]+/[0-9]+ Test +#[0-9]+: .* Passed|Start +[0-9]+: )'
  local rc=${PIPESTATUS[0]}
  [ "$rc" -eq 0 ] || status=1
  local line
  line=$(grep -aE 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$logdir/$preset-ctest.log" | tail -1)
  if [ -n "$line" ]; then
    local total fail
    total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
    fail=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$line")
    passed=$((passed + total - fail)); failed=$((failed + fail))
  else
    status=1; failed=$((failed + 1))
  fi
  echo "=== $preset took $(( $(date +%s) - t0 )) s"
}

run_preset native 2
run_preset native-asan 2
# The Windows tests mostly wait on the simulated unit's real time.
run_preset windows 4

echo "whole run took $(( $(date +%s) - start )) s"
echo "$passed passed, $failed failed"
exit $status
