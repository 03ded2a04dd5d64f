#!/usr/bin/env bash
# A full disk is reported as such and leaves nothing behind:
# full_disk_test.sh WORK_DIR CONVERTER [WINE_RUN PREFIX]. The disk is a small
# tmpfs, so the test needs the superuser; without one it is skipped (77).
set -euo pipefail
work=$1/full_disk
converter=$2
run=("$converter")
drive=
if [ $# -ge 4 ]; then run=(timeout 120 bash "$3" "$4" "$converter"); drive=Z:; fi

rm -rf "$work" && mkdir -p "$work/disk"
mount -t tmpfs -o size=64k tmpfs "$work/disk" 2>/dev/null || { echo "full_disk_test: cannot mount a tmpfs; skipped"; exit 77; }
trap 'umount "$work/disk"' EXIT
convert -size 400x300 xc:white -fill black -draw "circle 200,150 120,150" "$work/disc.png"

status=0
"${run[@]}" -o "$drive$work/disk/disc.bmp" "$drive$work/disc.png" 2>"$work/err" || status=$?
cat "$work/err"
[ "$status" -eq 1 ] || { echo "full_disk_test: exit status $status, not 1"; exit 1; }
grep -q ": cannot write: No space left on device" "$work/err" || { echo "full_disk_test: the error does not say the disk is full"; exit 1; }
left=$(ls -A "$work/disk")
[ -z "$left" ] || { echo "full_disk_test: left on the disk: $left"; exit 1; }
