#!/usr/bin/env bash
# Installs what is missing, builds Glimra and its tests, and runs the whole suite under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh

BUILD_DIR="${BUILD_DIR:-$PWD/build}"
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release -DGLIMRA_TESTS=ON
cmake --build "$BUILD_DIR"

GLIMRA_PRIVATE_DISPLAY=1
source scripts/wine-env.sh
ctest --test-dir "$BUILD_DIR" --output-on-failure "$@"
