#!/usr/bin/env bash
# The release zip: built, unpacked into an empty folder and run there once by the driver (a
# capture, then the exit); the folder then holds the program's own files and nothing else.
# Arguments: cmake, the build folder, wine, the driver.
set -euo pipefail
cmake=$1 build=$2 wine=$3 driver=$4
zip="$build/Glimra3-3.0.0.1-win32.zip"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

rm -f "$zip"
"$cmake" --build "$build" --target package >"$work/build.log" || { cat "$work/build.log"; fail "no package"; }
entries=$(unzip -Z1 "$zip" | LC_ALL=C sort | tr '\n' ' ')
[ "$entries" = "Glimra3.exe readme.txt " ] || fail "the zip holds: $entries"
unzip -q "$zip" -d "$work/Glimra3"
# Through a file: a pipe would stay open while any program the driver started runs on.
GLIMRA_IN_PLACE=1 "$wine" "$driver" "$work/Glimra3/Glimra3.exe" --gtest_filter='Package.*' >"$work/driver.log" 2>&1 || true
cat "$work/driver.log"
grep -q '^\[  PASSED  \] 1 test' "$work/driver.log" || fail "the scenario did not pass"
files=$(cd "$work/Glimra3" && find . -mindepth 1 | LC_ALL=C sort | tr '\n' ' ')
[ "$files" = "./Glimra3.exe ./dirInfo.dat ./glimra.ini ./image ./image/img1.bmp ./memo.txt ./readme.txt " ] ||
  fail "the folder holds: $files"
