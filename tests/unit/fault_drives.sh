#!/usr/bin/env bash
# Captures onto a full and a read-only drive: a 64 KiB tmpfs and a read-only one, given to Wine as
# two free drive letters for the run of FaultDrives.*. Mounting needs root; elsewhere: skipped (77).
# Usage: fault_drives.sh WINE UNIT_TESTS_EXE
set -euo pipefail
devices="${WINEPREFIX:-$HOME/.wine}/dosdevices"
if [ "$(id -u)" -ne 0 ] || [ ! -d "$devices" ]; then echo "fault drives need root and a Wine prefix"; exit 77; fi
root=$(mktemp -d /tmp/glimra-drives.XXXXXX)
links=()
cleanup() {
  rm -f "${links[@]}"
  for fs in "$root"/*; do mountpoint -q "$fs" && umount "$fs"; done
  rm -rf "$root"
}
trap cleanup EXIT
mkdir "$root/full" "$root/readonly"
mount -t tmpfs -o size=64k,mode=0777 glimra-full "$root/full" || { echo "cannot mount here"; exit 77; }
mount -t tmpfs -o size=64k,mode=0777 glimra-readonly "$root/readonly"
mkdir "$root/readonly/shots"
mount -o remount,ro "$root/readonly"
for letter in q r s t u v w x y; do
  [ -e "$devices/$letter:" ] || [ -L "$devices/$letter:" ] || links+=("$devices/$letter:")
  [ ${#links[@]} -eq 2 ] && break
done
ln -s "$root/full" "${links[0]}"
ln -s "$root/readonly" "${links[1]}"
full=$(basename "${links[0]}") readonly_drive=$(basename "${links[1]}")
GLIMRA_FULL_DRIVE="${full^^}" GLIMRA_READONLY_DRIVE="${readonly_drive^^}" "$1" "$2" --gtest_filter='FaultDrives.*'
