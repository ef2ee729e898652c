#!/usr/bin/env bash
# Two builds of one commit give the same release: the main build folder's Glimra3.exe, zip and
# SHA256SUMS against those of a fresh product-only build folder at another path, configured and
# built later, with another umask and time zone.
# Arguments: cmake, the source folder, the main binary folder, generator, toolchain file, build type,
# the zip's name.
set -euo pipefail
cmake=$1 source_dir=$2 main=$3 generator=$4 toolchain=$5 build_type=$6 zip=$7
other=$(mktemp -d) && trap 'rm -rf "$other"' EXIT

"$cmake" --build "$main" --target package
(cd "$main" && sha256sum -c SHA256SUMS) || { echo "FAIL: SHA256SUMS does not check in $main"; exit 1; }

(umask 077 && export TZ=Asia/Tokyo &&
  "$cmake" -S "$source_dir" -B "$other" -G "$generator" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE="$build_type" -DGLIMRA_TESTS=OFF >/dev/null &&
  "$cmake" --build "$other" --target package >/dev/null)

differ=()
for f in Glimra3.exe "$zip" SHA256SUMS; do
  cmp -s "$main/$f" "$other/$f" && continue
  differ+=("$f")
  echo "$f, first differing bytes (offset, octal):"
  cmp -l "$main/$f" "$other/$f" | head -5 || true
done
[ ${#differ[@]} -eq 0 ] || { echo "FAIL: two builds of one commit differ in: ${differ[*]}"; exit 1; }
echo "reproducible:"
cat "$main/SHA256SUMS"
