#!/usr/bin/env bash
# Installs what building and testing Glimra needs on Debian, skipping what is already there: both
# MinGW-w64 toolchains and wine64 always, wine32 only where this kernel runs 32-bit programs.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/builds.sh

packages=(cmake ninja-build python3 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools
          binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 googletest
          wine wine64 xvfb xauth x11-utils x11-apps imagemagick fonts-ipafont-gothic fonts-horai-umefont
          liblnk-utils locales file zip unzip scrot time)
runs_32bit=0
if glimra_runs_32bit; then
  runs_32bit=1
  packages+=(wine32:i386)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
if [ ${#missing[@]} -gt 0 ]; then
  [ $runs_32bit = 0 ] || $SUDO dpkg --add-architecture i386
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Japanese locale, so Wine's ANSI code page is 932 as on a Japanese Windows.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP.utf8$'; then
  $SUDO sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  $SUDO locale-gen >/dev/null
fi
