#!/usr/bin/env bash
# Installs what is missing, builds Glimra and its tests, and runs the whole suite under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh

BUILD_DIR="${BUILD_DIR:-$PWD/build}"
cmake --preset cross -B "$BUILD_DIR" -DGLIMRA_TESTS=ON
cmake --build "$BUILD_DIR"
# The benchmark is not run here, but it is built, so a change of the steps it times cannot break it unseen.
cmake --build "$BUILD_DIR" --target glimra_bench

GLIMRA_PRIVATE_DISPLAY=1
source scripts/wine-env.sh
ctest --test-dir "$BUILD_DIR" --output-on-failure "$@"
