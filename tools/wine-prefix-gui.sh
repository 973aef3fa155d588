#!/usr/bin/env bash
# Prepares a Wine prefix to show RivovaZiv.exe: Chinese glyphs and a
# virtual desktop (window frames and message boxes in screenshots, without
# a window manager). Shared by the GUI tests and the run command.
#   wine-prefix-gui.sh PREFIX
# Makes the prefix when it does not exist yet. Ends the prefix's wineserver
# afterwards so that the settings take effect, and leaves a persistent one.
set -eu
prefix=$1
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$prefix"
  wineboot -i >/dev/null 2>&1
fi

reg=$(mktemp --suffix=.reg)
trap 'rm -f "$reg"' EXIT
# SimSun is what "MS Shell Dlg" becomes on a Chinese system, and the font
# that Tahoma links to for CJK glyphs on the others: point it at WenQuanYi.
cat >"$reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"SimSun"="WenQuanYi Micro Hei"
"NSimSun"="WenQuanYi Micro Hei"

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"Default"="1280x1024"
REG
wine regedit /S "$(winepath -w "$reg")" >/dev/null 2>&1

# Debian's Wine does not find its own fonts folder; without Marlett the
# caption buttons show letters. Only Marlett: Wine's Tahoma would take the
# caption over from a font that has the Chinese glyphs.
if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
  fonts=$prefix/drive_c/windows/Fonts
  mkdir -p "$fonts"
  cp -f /usr/share/wine/fonts/marlett.ttf "$fonts/"
fi
wineserver -k 2>/dev/null || true
wineserver -p >/dev/null 2>&1
