#!/usr/bin/env bash
# Runs a GUI test command in one locale: a fresh Wine prefix with Chinese
# fonts and a virtual desktop, and an Xvfb display of its own. Screenshots
# that the command saves in RVZ_GUI_SHOTS land in SHOT_DIR as PNG.
#   run-gui-tests.sh LOCALE ACP SHOT_DIR CMD...
# e.g. CMD = tests/wine/with-sim.sh SIM_EXE wine TEST_EXE APP_EXE.
# The prefix is made beside WINEPREFIX with a unique suffix, so that two
# runs at once do not share it, and removed at the end.
set -u
if [ $# -lt 4 ]; then
  echo "usage: run-gui-tests.sh LOCALE ACP SHOT_DIR CMD..." >&2
  exit 2
fi
locale=$1 acp=$2 shots=$3
shift 3
: "${WINEPREFIX:?WINEPREFIX is not set: run the tests through ctest}"
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)

export LANG=$locale LC_ALL=$locale WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# A display of our own; Xvfb picks a free number and writes it to fd 3.
displayfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$displayfile" >/dev/null 2>&1 &
xvfb=$!

mkdir -p "$(dirname "$WINEPREFIX")"
WINEPREFIX=$(mktemp -d "$WINEPREFIX.XXXXXX")
export WINEPREFIX

finish() {
  wineserver -k 2>/dev/null
  kill "$xvfb" 2>/dev/null
  wait "$xvfb" 2>/dev/null
  rm -rf "$WINEPREFIX" "$displayfile"
}
trap finish EXIT
trap 'exit 130' INT TERM

for _ in $(seq 1 100); do
  [ -s "$displayfile" ] && break
  sleep 0.05
done
display=$(cat "$displayfile")
[ -n "$display" ] || { echo "run-gui-tests.sh: Xvfb gave no display" >&2; exit 2; }
export DISPLAY=":$display"

# A fresh prefix, made in this locale; no COM ports but the simulator's links.
"$root/tools/wine-prefix-gui.sh" "$WINEPREFIX" || exit 2
rm -f "$WINEPREFIX"/dosdevices/com*

rm -rf "$shots"
mkdir -p "$shots"
export RVZ_GUI_ACP=$acp RVZ_GUI_SHOTS=$(winepath -w "$shots" 2>/dev/null)

"$@"
rc=$?

for bmp in "$shots"/*.bmp; do
  [ -e "$bmp" ] || continue
  convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
exit $rc
