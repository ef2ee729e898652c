#!/usr/bin/env bash
# Captures onto a full drive and onto a read-only drive: two small file systems are mounted here
# and given to Wine as drive letters, named to the tests in GLIMRA_FULL_DRIVE and
# GLIMRA_READONLY_DRIVE. Mounting needs root; elsewhere the run is skipped (exit 77).
# Usage: fault_drives.sh WINE UNIT_TESTS_EXE
set -euo pipefail
wine_program=$1
unit_tests=$2
skip=77
prefix="${WINEPREFIX:-$HOME/.wine}"
devices="$prefix/dosdevices"

if [ "$(id -u)" -ne 0 ] || [ ! -d "$devices" ]; then
  echo "fault drives: needs root and a Wine prefix; skipped"
  exit $skip
fi

root=$(mktemp -d /tmp/glimra-fault-drives.XXXXXX)
full="$root/full"
readonly_fs="$root/readonly"
mkdir "$full" "$readonly_fs"
links=()
cleanup() {
  for link in "${links[@]}"; do rm -f "$link"; done
  mountpoint -q "$full" && umount "$full"
  mountpoint -q "$readonly_fs" && umount "$readonly_fs"
  rm -rf "$root"
}
trap cleanup EXIT

# 64 KiB: a few captures of a small window fill it.
if ! mount -t tmpfs -o size=64k,mode=0777 glimra-full "$full"; then
  echo "fault drives: cannot mount here; skipped"
  exit $skip
fi
mount -t tmpfs -o size=64k,mode=0777 glimra-readonly "$readonly_fs"
mkdir "$readonly_fs/shots"
mount -o remount,ro "$readonly_fs"

# Two drive letters that the prefix does not use yet.
letters=()
for letter in q r s t u v w x y; do
  if [ ! -e "$devices/$letter:" ] && [ ! -L "$devices/$letter:" ]; then
    letters+=("$letter")
  fi
  [ ${#letters[@]} -eq 2 ] && break
done
ln -s "$full" "$devices/${letters[0]}:"
links+=("$devices/${letters[0]}:")
ln -s "$readonly_fs" "$devices/${letters[1]}:"
links+=("$devices/${letters[1]}:")

GLIMRA_FULL_DRIVE="${letters[0]^^}:" GLIMRA_READONLY_DRIVE="${letters[1]^^}:" \
  "$wine_program" "$unit_tests" --gtest_filter='CaptureFaultDrives.*'
