#!/usr/bin/env bash
# Runs a GUI test command in one locale: a fresh Wine prefix with Chinese
# fonts and a virtual desktop, and an Xvfb display of its own. Screenshots
# that the command saves in RVZ_GUI_SHOTS land in SHOT_DIR as PNG.
#   run-gui-tests.sh LOCALE ACP SHOT_DIR CMD...
# e.g. CMD = tests/wine/with-sim.sh SIM_EXE wine TEST_EXE APP_EXE.
# WINEPREFIX names the prefix to make (it is replaced).
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

# A display of our own: the first free number from 90 on.
display=""
for n in $(seq 90 150); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=$n; break; fi
done
[ -n "$display" ] || { echo "run-gui-tests.sh: no free X display" >&2; exit 2; }
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!

finish() {
  WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null
  kill "$xvfb" 2>/dev/null
  wait "$xvfb" 2>/dev/null
}
trap finish EXIT
trap 'exit 130' INT TERM

for _ in $(seq 1 100); do
  [ -e "/tmp/.X11-unix/X$display" ] && break
  sleep 0.05
done
export DISPLAY=":$display"

# A fresh prefix per run, made in this locale; no COM ports but the
# simulator's links.
if [ -d "$WINEPREFIX" ]; then
  wineserver -k 2>/dev/null
  rm -rf "$WINEPREFIX"
fi
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
