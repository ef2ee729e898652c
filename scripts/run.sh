#!/usr/bin/env bash
# Installs what is missing, builds Glimra3.exe and starts it under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh

BUILD_DIR="${BUILD_DIR:-$PWD/build}"
cmake --preset cross -B "$BUILD_DIR" -DGLIMRA_TESTS=OFF
cmake --build "$BUILD_DIR" --target Glimra3

if [ -z "${DISPLAY:-}" ]; then
  echo "No display: starting Glimra on a virtual screen (Xvfb). Set DISPLAY to use your own."
fi
source scripts/wine-env.sh
if [ -n "${GLIMRA_VIRTUAL_SCREEN:-}" ]; then
  echo "Virtual screen is $DISPLAY; look at it with: DISPLAY=$DISPLAY import -window root shot.png"
fi
wine "$BUILD_DIR/Glimra3.exe"
