#!/usr/bin/env bash
# Remakes the README's pictures from the real program: the main window inside the Wine virtual
# desktop that wine-env.sh sets up on a private screen (Wine draws the frames there), at 100 % and
# at 150 %, and a whole-screen capture that Glimra itself saved. It uses the build that runs here
# (the 32-bit one where the kernel runs 32-bit programs), or BUILD_DIR.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/builds.sh
BUILD_DIR="${BUILD_DIR:-$(glimra_build_dir "$(glimra_runnable_build)")}"
[ -f "$BUILD_DIR/Glimra3.exe" ] || { echo "Build first: bash scripts/run.sh (or cmake --build $BUILD_DIR)"; exit 1; }
probe="$BUILD_DIR/window_probe.exe"
"$(glimra_cxx "$(glimra_build_of "$BUILD_DIR")")" -std=c++17 -O2 -Wall -Wextra -static -municode \
  -o "$probe" scripts/window_probe.cpp
GLIMRA_PRIVATE_DISPLAY=1
source scripts/wine-env.sh
# Wine takes the DPI from the prefix when its server starts; the prefix is left at 96 DPI.
set_dpi() {
  glimra_reg 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1"
  wineserver -k 2>/dev/null || true
  wineserver -w
}
trap 'set_dpi 96; kill $GLIMRA_XVFB_PID 2>/dev/null' EXIT

work=$(mktemp -d)
cp "$BUILD_DIR/Glimra3.exe" "$BUILD_DIR/readme.txt" "$work/"
printf '[SETTING]\r\nNONEDIALOG=1\r\n' > "$work/glimra.ini"
printf 'キャプチャのメモ\r\n' | iconv -f UTF-8 -t CP932 > "$work/memo.txt"
winpath() { echo "Z:${1//\//\\}"; }

mkdir -p "$work/image"
# Something to capture besides Glimra itself: its user guide in Notepad.
(cd "$work" && wine notepad "$(winpath "$work/readme.txt")" >/dev/null 2>&1 &)
sleep 2
(cd "$work" && wine "$(winpath "$work/Glimra3.exe")" >/dev/null 2>&1 &)
sleep 4
read -r x y w h < <(wine "$probe" | tr -d '\r')
mkdir -p docs
import -window root -crop "${w}x${h}+${x}+${y}" +repage docs/main-window.png

wine "$probe" --capture
for _ in $(seq 50); do [ -f "$work/image/img1.bmp" ] && break; sleep 0.2; done
sleep 1
convert "$work/image/img1.bmp" -resize 50% docs/capture.png

set_dpi 144
(cd "$work" && wine "$(winpath "$work/Glimra3.exe")" >/dev/null 2>&1 &)
sleep 4
read -r x y w h < <(wine "$probe" | tr -d '\r')
import -window root -crop "${w}x${h}+${x}+${y}" +repage docs/main-window-150.png
rm -rf "$work"
echo "Wrote docs/main-window.png, docs/main-window-150.png and docs/capture.png"
