#!/usr/bin/env bash
# Installs what is missing, builds Glimra3.exe and starts it under Wine: the 32-bit build where this
# kernel runs 32-bit programs, else the 64-bit build (GLIMRA_BUILD=win32 or win64 chooses).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
source scripts/builds.sh

build=${GLIMRA_BUILD:-$(glimra_runnable_build)}
BUILD_DIR=$(glimra_build_dir "$build")
if [ "$build" = win32 ]; then
  echo "Starting the 32-bit build ($BUILD_DIR/Glimra3.exe) under wine32."
else
  echo "Starting the 64-bit build ($BUILD_DIR/Glimra3.exe) under wine64."
fi
cmake --preset "$(glimra_preset "$build")" -B "$BUILD_DIR" -DGLIMRA_TESTS=OFF
cmake --build "$BUILD_DIR" --target Glimra3

if [ -z "${DISPLAY:-}" ]; then
  echo "No display: starting Glimra on a virtual screen (Xvfb). Set DISPLAY to use your own."
fi
source scripts/wine-env.sh
if [ -n "${GLIMRA_VIRTUAL_SCREEN:-}" ]; then
  echo "Virtual screen is $DISPLAY; look at it with: DISPLAY=$DISPLAY import -window root shot.png"
fi
wine "$BUILD_DIR/Glimra3.exe"
