#!/usr/bin/env bash
# Runs a Windows program under Wine in the test run's prefix.
# ctest uses this as the cross-compiling emulator.
set -eu
: "${WINEPREFIX:?WINEPREFIX is not set: run the tests through ctest}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec wine "$@"
