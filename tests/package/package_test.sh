#!/usr/bin/env bash
# The release package: built, listed, unpacked into an empty folder and run there once by the
# end-to-end driver (one capture, then the exit routine). Afterwards the folder holds the
# program's own files and nothing else, and none of them was written anywhere else in the prefix.
# Arguments: cmake, the binary folder, wine, the driver, the source folder.
set -euo pipefail
cmake=$1 binary_dir=$2 wine=$3 driver=$4 source_dir=$5
zip="$binary_dir/Glimra3-3.0.0.1-win32.zip"
drive_c="${WINEPREFIX:-$HOME/.wine}/drive_c"

fail() { echo "FAIL: $*"; exit 1; }

rm -f "$zip"
"$cmake" --build "$binary_dir" --target package
[ -f "$zip" ] || fail "no $zip"
entries=$(unzip -Z1 "$zip" | LC_ALL=C sort)
[ "$entries" = $'Glimra3.exe\nreadme.txt' ] || fail "the zip holds:"$'\n'"$entries"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
folder="$work/Glimra3"
mkdir "$folder"
unzip -q "$zip" -d "$folder"

# Paths under drive_c with their sizes and times, so a file that was only rewritten shows too.
list_drive_c() { find "$drive_c" -printf '%p %s %T@\n' | LC_ALL=C sort; }
list_drive_c >"$work/before"
GLIMRA_PACKAGE_DIR="$folder" "$wine" "$driver" "$folder/Glimra3.exe" "$source_dir" \
  --gtest_filter='Package.*' 2>&1 | tee "$work/driver.log"
grep -q '^\[  PASSED  \] 1 test' "$work/driver.log" || fail "the driver's scenario did not pass"
list_drive_c >"$work/after"

files=$(cd "$folder" && find . -mindepth 1 | LC_ALL=C sort)
expected=$'./Glimra3.exe\n./dirInfo.dat\n./glimra.ini\n./image\n./image/img1.bmp\n./memo.txt\n./readme.txt'
[ "$files" = "$expected" ] || fail "the unpacked folder holds:"$'\n'"$files"

changed=$(diff "$work/before" "$work/after" | sed -n 's/^> //p' || true)
[ -z "$changed" ] || fail "written elsewhere in the prefix:"$'\n'"$changed"
echo "package: $entries"
