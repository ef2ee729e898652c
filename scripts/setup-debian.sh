#!/usr/bin/env bash
# Installs what building and testing Glimra needs on Debian, skipping what is already there.
set -euo pipefail

packages=(cmake ninja-build python3 g++-mingw-w64-i686 mingw-w64-tools googletest
          wine wine32:i386 xvfb xauth x11-utils x11-apps imagemagick fonts-ipafont-gothic fonts-horai-umefont
          liblnk-utils locales file zip unzip scrot time)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO dpkg --add-architecture i386
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Japanese locale, so Wine's ANSI code page is 932 as on a Japanese Windows.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP.utf8$'; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  $SUDO locale-gen >/dev/null
fi
