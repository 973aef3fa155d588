#!/usr/bin/env bash
# Runs a command with extra entries in the Wine prefix's device folder, and
# removes them when it ends.
#   with-dosdevice-links.sh NAME=TARGET... -- CMD...
# Each NAME becomes the link $WINEPREFIX/dosdevices/NAME -> TARGET, which
# Windows programs open as \\.\NAME or \\?\NAME. A relative TARGET such as
# com15 points at another entry of the folder. The command's exit code is
# returned.
set -u
: "${WINEPREFIX:?WINEPREFIX is not set: run the tests through ctest}"

links=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
  links+=("$1")
  shift
done
if [ $# -lt 2 ] || [ ${#links[@]} -eq 0 ]; then
  echo "usage: with-dosdevice-links.sh NAME=TARGET... -- CMD..." >&2
  exit 2
fi
shift

made=()
remove_links() {
  for path in "${made[@]}"; do rm -f "$path"; done
}
trap remove_links EXIT
trap 'exit 130' INT TERM

mkdir -p "$WINEPREFIX/dosdevices"
for link in "${links[@]}"; do
  name=${link%%=*}
  target=${link#*=}
  path=$WINEPREFIX/dosdevices/$name
  ln -sfn "$target" "$path" || exit 2
  made+=("$path")
done

"$@"
exit $?
