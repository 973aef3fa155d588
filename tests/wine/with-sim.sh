#!/usr/bin/env bash
# Runs a command beside a simulated-unit daemon whose COM links live in the
# Wine prefix, and hands the daemon's control port to the command.
#   with-sim.sh SIM_EXE CMD...
# The command finds the port in RVZ_SIM_CONTROL. The daemon is ended by its
# PID when the command ends; the command's exit code is returned.
set -u
if [ $# -lt 2 ]; then
  echo "usage: with-sim.sh SIM_EXE CMD..." >&2
  exit 2
fi
sim=$1
shift
: "${WINEPREFIX:?WINEPREFIX is not set: run the tests through ctest}"
if [ ! -x "$sim" ]; then
  echo "with-sim.sh: $sim is not built (build the native preset first)" >&2
  exit 2
fi

workdir=$(mktemp -d "${TMPDIR:-/tmp}/rvz-sim.XXXXXX")
portfile=$workdir/control-port
mkdir -p "$WINEPREFIX/dosdevices"
"$sim" --dosdevices "$WINEPREFIX/dosdevices" --control-port-file "$portfile" &
simpid=$!

stop_sim() {
  if kill -0 "$simpid" 2>/dev/null; then
    kill -TERM "$simpid" 2>/dev/null
    wait "$simpid" 2>/dev/null
  fi
  rm -rf "$workdir"
}
trap stop_sim EXIT
trap 'exit 130' INT TERM

for _ in $(seq 1 100); do
  [ -s "$portfile" ] && break
  if ! kill -0 "$simpid" 2>/dev/null; then
    echo "with-sim.sh: the simulator ended before it was ready" >&2
    exit 2
  fi
  sleep 0.05
done
if [ ! -s "$portfile" ]; then
  echo "with-sim.sh: no control port from the simulator after 5 s" >&2
  exit 2
fi

RVZ_SIM_CONTROL=$(cat "$portfile")
export RVZ_SIM_CONTROL
"$@"
exit $?
