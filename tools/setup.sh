#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine.
# Safe to run again: it installs only what is missing.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
  updated=0
fi

pkgs=(build-essential cmake ninja-build g++ pkg-config googletest libgtest-dev libgmock-dev libbenchmark-dev
      mingw-w64 g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
      wine wine32:i386 fonts-wine xvfb x11-utils imagemagick xfonts-base fonts-wqy-zenhei fonts-wqy-microhei
      locales python3 procps)
for p in "${pkgs[@]}"; do have "$p" || need+=("$p"); done

if [ ${#need[@]} -gt 0 ]; then
  echo "setup: installing ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

# A UTF-8 Chinese locale lets Wine run with code page 936 (see tests/wine).
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf8$'; then
  if [ -w /etc/locale.gen ] || [ -n "$SUDO" ]; then
    $SUDO sed -i 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/; s/^# *\(en_US.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    $SUDO locale-gen >/dev/null
  fi
fi
echo "setup: done"
