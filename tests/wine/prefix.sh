#!/usr/bin/env bash
# Makes (setup) or ends (teardown) the throw-away Wine prefix of a test run.
#   prefix.sh setup|teardown PREFIX
set -eu
cmd=$1 prefix=$2
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
case $cmd in
  setup)
    if [ -d "$prefix" ]; then
      wineserver -k 2>/dev/null || true
      rm -rf "$prefix"
    fi
    mkdir -p "$prefix"
    # Keep the server up between the test processes of this run. It and the
    # services that wineboot starts next stay up with no test's output:
    # ctest waits for the end of a test's output, which a server or service
    # holding it would never give.
    wineserver -p </dev/null >/dev/null 2>&1
    wineboot -i </dev/null >/dev/null 2>&1
    # The only COM ports are the links that the tests make.
    rm -f "$prefix"/dosdevices/com*
    ;;
  teardown)
    [ -d "$prefix" ] && wineserver -k 2>/dev/null || true
    ;;
  *) echo "usage: prefix.sh setup|teardown PREFIX" >&2; exit 2 ;;
esac
