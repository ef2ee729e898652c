#!/usr/bin/env bash
# The release zip as a download holds it, checked without running it (so also where this build
# cannot run): its two entries, the exe's machine type as file(1) reads its PE header, its imports
# (Windows' own DLLs only: everything else is linked in), the version of the zip's name in its
# version resource and manifest, and the manifest's processor architecture.
# Arguments: cmake, the build folder, the zip's name, the version, the manifest's architecture,
# file(1)'s words for the machine, objdump.
set -euo pipefail
cmake=$1 build=$2 zip=$2/$3 version=$4 arch=$5 machine=$6 objdump=$7
work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT
rm -f "$zip" && "$cmake" --build "$build" --target package >/dev/null
[ "$(unzip -Z1 "$zip" | LC_ALL=C sort | xargs)" = "Glimra3.exe readme.txt" ] || { unzip -l "$zip"; exit 1; }
unzip -q "$zip" -d "$work"
exe="$work/Glimra3.exe"
failed=0
fail() { echo "FAIL: $*"; failed=1; }

described=$(file -b "$exe")
[[ "$described" == "$machine"* ]] || fail "Glimra3.exe is \"$described\", not \"$machine\""

imports=$("$objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr '[:upper:]' '[:lower:]' | LC_ALL=C sort | xargs)
[ "$imports" = "comctl32.dll gdi32.dll gdiplus.dll kernel32.dll msvcrt.dll ole32.dll shell32.dll shlwapi.dll user32.dll" ] ||
  fail "Glimra3.exe imports: $imports"

[ "$(strings -el "$exe" | grep -cx "$version")" = 2 ] || fail "the version resource does not carry $version twice"
manifest=$(grep -ao '<assembly .*</assembly>' "$exe" || true)
[ -n "$manifest" ] || manifest=$(tr -d '\r\n' <"$exe" | grep -ao '<assembly .*</assembly>' || true)
grep -q "assemblyIdentity type=\"win32\" name=\"Glimra.Glimra3\" version=\"$version\" processorArchitecture=\"$arch\"" \
  <<<"$manifest" || fail "the manifest names no Glimra.Glimra3 $version for $arch"
[ "$(grep -o "processorArchitecture=\"[a-z0-9]*\"" <<<"$manifest" | sort -u | paste -sd" ")" = "processorArchitecture=\"$arch\"" ] ||
  fail "the manifest names another architecture than $arch"
[ $failed = 0 ] && echo "release: $3 holds Glimra3.exe ($described) and readme.txt"
exit $failed
