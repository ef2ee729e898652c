#!/usr/bin/env bash
# The panel at 125 %, 150 % and 200 %: the prefix's DPI set for each in turn (Wine reads it when
# its server starts), Panel.* run by the driver, and 96 DPI set back whatever happens.
# Arguments: wine, the driver, Glimra3.exe.
set -euo pipefail
dpi() {
  "$1" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$2" /f >/dev/null 2>&1
  "${WINESERVER:-wineserver}" -k || true
  "${WINESERVER:-wineserver}" -w
}
log=$(mktemp) && trap 'dpi "$1" 96; rm -f "$log"' EXIT
failed=0
for value in 120 144 192; do
  dpi "$1" "$value"
  # Through a file: a pipe would stay open while a program that the driver started runs on.
  GLIMRA_DPI=$value "$1" "$2" "$3" --gtest_filter='Panel.*' >"$log" 2>&1 || true
  cat "$log"
  grep -q '^\[  PASSED  \] 1 test' "$log" || failed=1
done
exit $failed
