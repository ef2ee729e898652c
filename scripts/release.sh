#!/usr/bin/env bash
# Builds both releases and gathers them in release/: Glimra3-<version>-win32.zip, -win64.zip and one
# SHA256SUMS for the two. Building needs no Wine, so both are made on any machine. Each build folder
# keeps its own SHA256SUMS for its Glimra3.exe and zip.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/builds.sh
out=$PWD/release
rm -rf "$out" && mkdir -p "$out"
for build in win32 win64; do
  dir=$(glimra_build_dir "$build")
  [ -f "$dir/CMakeCache.txt" ] || cmake --preset "$(glimra_preset "$build")" -B "$dir" -DGLIMRA_TESTS=OFF >/dev/null
  cmake --build "$dir" --target package >/dev/null
  cp "$dir"/Glimra3-*-"$build".zip "$out/"
done
(cd "$out" && sha256sum Glimra3-*.zip >SHA256SUMS && cat SHA256SUMS)
