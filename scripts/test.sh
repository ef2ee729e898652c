#!/usr/bin/env bash
# Installs what is missing, builds Glimra and its tests, and runs the whole suite under Wine: for the
# 32-bit build under wine32 where this kernel runs 32-bit programs, for the 64-bit build under wine64
# always. A build that cannot run here still gets the checks that need no running (no_wine).
# GLIMRA_BUILDS="win32" or "win64" tests one build alone; arguments go to each ctest run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
source scripts/builds.sh

builds=${GLIMRA_BUILDS:-win32 win64}
runs_32bit=1
glimra_runs_32bit || runs_32bit=0
failed=()
for build in $builds; do
  case $build in win32 | win64) ;; *) echo "GLIMRA_BUILDS: unknown build $build (win32, win64)"; exit 2 ;; esac
  dir=$(glimra_build_dir "$build")
  echo "== $build build in $dir"
  cmake --preset "$(glimra_preset "$build")" -B "$dir" -DGLIMRA_TESTS=ON
  cmake --build "$dir"
  # The benchmark is not run here, but it is built, so a change of the steps it times cannot break it unseen.
  cmake --build "$dir" --target glimra_bench
  if [ "$build" = win32 ] && [ $runs_32bit = 0 ]; then
    echo "32-bit build: built, checked, not run: this kernel runs no 32-bit programs"
    ctest --test-dir "$dir" --output-on-failure -L no_wine "$@" || failed+=("$build")
    continue
  fi
  # Each build's run in a shell of its own: its own private screen, prefix and Wine.
  (
    BUILD_DIR=$dir GLIMRA_PRIVATE_DISPLAY=1
    source scripts/wine-env.sh
    ctest --test-dir "$dir" --output-on-failure "$@"
  ) || failed+=("$build")
done
[ ${#failed[@]} -eq 0 ] || { echo "FAILED: ${failed[*]}"; exit 1; }
# Both releases side by side, as they are published.
if [ "$builds" = "win32 win64" ]; then
  bash scripts/release.sh
  (cd release && sha256sum -c --quiet SHA256SUMS) && echo "release/: both zips and SHA256SUMS"
fi
