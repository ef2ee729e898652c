#!/usr/bin/env bash
# Captures onto a full and a read-only drive: two 64 KiB tmpfs mounts, the second made read-only,
# given to Wine as two free drive letters for FaultDrives.*. Needs root; skipped (77) elsewhere.
# Usage: fault_drives.sh WINE UNIT_TESTS_EXE
set -euo pipefail
devices="${WINEPREFIX:-$HOME/.wine}/dosdevices"
[ "$(id -u)" -eq 0 ] && [ -d "$devices" ] || { echo "fault drives need root and a Wine prefix"; exit 77; }
root=$(mktemp -d /tmp/glimra-drives.XXXXXX)
mapfile -t letters < <(for l in q r s t u v w x y; do [ -e "$devices/$l:" ] || [ -L "$devices/$l:" ] || echo "$l"; done)
trap 'rm -f "$devices/${letters[0]}:" "$devices/${letters[1]}:"; umount "$root"/* 2>/dev/null; rm -rf "$root"' EXIT
mkdir "$root/full" "$root/readonly"
mount -t tmpfs -o size=64k,mode=0777 glimra-full "$root/full" || { echo "cannot mount here"; exit 77; }
mount -t tmpfs -o size=64k,mode=0777 glimra-readonly "$root/readonly"
mount -o remount,ro "$root/readonly"
ln -s "$root/full" "$devices/${letters[0]}:"
ln -s "$root/readonly" "$devices/${letters[1]}:"
GLIMRA_FULL_DRIVE="${letters[0]^^}:" GLIMRA_READONLY_DRIVE="${letters[1]^^}:" "$1" "$2" --gtest_filter='FaultDrives.*'
