#!/usr/bin/env bash
# The release zip, unpacked into an empty folder and run there once by the driver (a capture, then
# the exit): the folder then holds the program's own files and nothing else.
# Arguments: cmake, the build folder, wine, the driver, the zip's name.
set -euo pipefail
zip="$2/$5" work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT
rm -f "$zip" && "$1" --build "$2" --target package >/dev/null
[ "$(unzip -Z1 "$zip" | LC_ALL=C sort | xargs)" = "Glimra3.exe readme.txt" ] || { unzip -l "$zip"; exit 1; }
unzip -q "$zip" -d "$work/Glimra3"
# Through a file: a pipe would stay open while a program that the driver started runs on.
GLIMRA_IN_PLACE=1 "$3" "$4" "$work/Glimra3/Glimra3.exe" --gtest_filter='Package.*' >"$work/log" 2>&1 || true
cat "$work/log" && grep -q '^\[  PASSED  \] 1 test' "$work/log"
files=$(cd "$work/Glimra3" && find . -mindepth 1 | LC_ALL=C sort | xargs)
[ "$files" = "./Glimra3.exe ./dirInfo.dat ./glimra.ini ./image ./image/img1.bmp ./memo.txt ./readme.txt" ] ||
  { echo "the unpacked folder holds: $files"; exit 1; }
