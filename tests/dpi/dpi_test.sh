#!/usr/bin/env bash
# Runs the probe with the prefix at 144 DPI and at 96 DPI and checks the window's size.
set -euo pipefail
probe=$1
exe=$2
dir=$(mktemp -d)
cp "$exe" "$dir/Glimra3.exe"
trap 'rm -rf "$dir"; wine reg add "HKCU\\Control Panel\\Desktop" /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1; wineserver -w' EXIT

status=0
for dpi in 144 96; do
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d $dpi /f >/dev/null 2>&1
  wineserver -k 2>/dev/null || true
  wineserver -w
  line=$(wine "$probe" "Z:${dir//\//\\}\\Glimra3.exe" | tr -d '\r')
  echo "$line"
  want=$([ $dpi = 144 ] && echo "window=930x600" || echo "window=620x400")
  if [[ "$line" != "dpi=$dpi $want"* || "$line" != *" fits" ]]; then
    echo "FAIL at $dpi DPI: expected dpi=$dpi $want and the panel inside the client area"
    status=1
  fi
done
exit $status
