#!/usr/bin/env bash
# The release zip, unpacked into an empty folder and run there by the driver (a capture, then the
# exit), and the menu walk, with HOME an empty folder: the unpacked folder then holds the program's
# own files and nothing else, and HOME nothing but Wine's cache.
# Arguments: cmake, the build folder, wine, the driver, the zip's name.
set -euo pipefail
# What the zip holds is the release entry's; this one runs it.
zip="$2/$5" work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT
rm -f "$zip" && "$1" --build "$2" --target package >/dev/null
unzip -q "$zip" -d "$work/Glimra3"
# Every Wine process of the run, the server and the desktop included, starts with the empty home.
mkdir "$work/home"
"${WINESERVER:-wineserver}" -k 2>/dev/null || true
"${WINESERVER:-wineserver}" -w
# Through a file: a pipe would stay open while a program that the driver started runs on.
env -u XDG_CONFIG_HOME -u XDG_DATA_HOME -u XDG_CACHE_HOME HOME="$work/home" GLIMRA_IN_PLACE=1 \
  "$3" "$4" "$work/Glimra3/Glimra3.exe" --gtest_filter='Package.*:Menu.*' >"$work/log" 2>&1 || true
"${WINESERVER:-wineserver}" -w
cat "$work/log" && grep -q '^\[  PASSED  \] 2 tests' "$work/log"
files=$(cd "$work/Glimra3" && find . -mindepth 1 | LC_ALL=C sort | xargs)
[ "$files" = "./Glimra3.exe ./dirInfo.dat ./glimra.ini ./image ./image/img1.bmp ./memo.txt ./readme.txt" ] ||
  { echo "the unpacked folder holds: $files"; exit 1; }
home=$(cd "$work/home" && find . -mindepth 1 ! -path ./.cache ! -path './.cache/*' | LC_ALL=C sort | xargs)
[ -z "$home" ] || { echo "Wine wrote outside its cache in HOME: $home"; exit 1; }
