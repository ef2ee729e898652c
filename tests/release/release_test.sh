#!/usr/bin/env bash
# The release zip as a download holds it, checked without running it (so also where this build
# cannot run): its two entries, the exe's machine type as file(1) reads its PE header, its imports
# (Windows' own DLLs only, each a KnownDLL or taken through the manifest: GDI+ is loaded at run
# time), its hardening flags and subsystem version, the version of the zip's name in its version
# resource and manifest, and the manifest: where Windows finds it, its architecture, long paths, DPI
# awareness, common controls 6, the invoker's rights and the supported systems.
# Arguments: cmake, the build folder, the zip's name, the version, the manifest's architecture, objdump.
set -euo pipefail
cmake=$1 build=$2 zip=$2/$3 version=$4 arch=$5 objdump=$6
# file(1)'s words for the machine the manifest names: Windows refuses an exe whose manifest says another.
machine=$([ "$arch" = amd64 ] && echo "PE32+ executable (GUI) x86-64" || echo "PE32 executable (GUI) Intel 80386")
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
[ "$imports" = "comctl32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll shell32.dll shlwapi.dll user32.dll" ] ||
  fail "Glimra3.exe imports: $imports"

# A randomised base needs relocations to move by; the 64-bit build may use the whole address space.
headers=$("$objdump" -p -h "$exe")
flags="DYNAMIC_BASE NX_COMPAT TERMINAL_SERVICE_AWARE"
[[ "$machine" == *x86-64* ]] && flags="HIGH_ENTROPY_VA $flags"
for flag in $flags; do grep -qw "$flag" <<<"$headers" || fail "Glimra3.exe lacks $flag"; done
grep -q ' \.reloc ' <<<"$headers" || fail "Glimra3.exe has no relocations"
[ "$(sed -n 's/^\(Major\|Minor\)SubsystemVersion\s*//p' <<<"$headers" | xargs)" = "6 1" ] ||
  fail "Glimra3.exe's subsystem version is not 6.1"

[ "$(strings -el "$exe" | grep -cx "$version")" = 2 ] || fail "the version resource does not carry $version twice"
manifest=$(grep -ao '<assembly .*</assembly>' "$exe" || true)
[ -n "$manifest" ] || manifest=$(tr -d '\r\n' <"$exe" | grep -ao '<assembly .*</assembly>' || true)
grep -q "assemblyIdentity type=\"win32\" name=\"Glimra.Glimra3\" version=\"$version\" processorArchitecture=\"$arch\"" \
  <<<"$manifest" || fail "the manifest names no Glimra.Glimra3 $version for $arch"
[ "$(grep -o "processorArchitecture=\"[a-z0-9]*\"" <<<"$manifest" | sort -u | paste -sd" ")" = "processorArchitecture=\"$arch\"" ] ||
  fail "the manifest names another architecture than $arch"
# Windows reads it only as resource 1 of type 24 (RT_MANIFEST), and long paths and DPI awareness
# only inside windowsSettings; Wine heeds none of it, so it is read here.
[ "$(sed -n '/^[0-9a-f]*   Entry: ID: 0x000018,/{n;n;p}' <<<"$headers" | grep -o 'ID: 0x[0-9a-f]*')" = "ID: 0x000001" ] ||
  fail "the manifest is not resource 1 of type 24"
settings=$(grep -o '<windowsSettings>.*</windowsSettings>' <<<"$manifest" || true)
for element in '<longPathAware xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">true</longPathAware>' \
  '<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true</dpiAware>'; do
  grep -qF "$element" <<<"$settings" || fail "the manifest's windowsSettings lack $element"
done
for element in 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' \
  '<requestedExecutionLevel level="asInvoker" uiAccess="false"/>'; do
  grep -qF "$element" <<<"$manifest" || fail "the manifest lacks $element"
done
# Windows 7, 8, 8.1, 10 and 11, so none runs the program with the behaviour of an older system.
[ "$(grep -o 'supportedOS Id="{[0-9a-f-]*}"' <<<"$manifest" | paste -sd" ")" = \
  'supportedOS Id="{35138b9a-5d96-4fbd-8e2d-a2440225f93a}" supportedOS Id="{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}" supportedOS Id="{1f676c76-80e1-4239-95bb-83d0f6d0da78}" supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"' ] ||
  fail "the manifest names other supported systems"
[ $failed = 0 ] && echo "release: $3 holds Glimra3.exe ($described) and readme.txt"
exit $failed
