#!/usr/bin/env bash
# Times a batch written to the disk against the same batch written to
# memory: 400 JPEGs of 512 x 512 (made by ImageMagick's convert, noise
# over a gradient, so that each compresses as a photo does) converted with
# `velmora-cli -j 2 --output-dir` into an empty folder on the disk, and into
# an empty folder in tmpfs. Each of RUNS pairs of runs takes turns (the disk
# first in every other pair), after a sync, and the medians of both and of the pairs' ratios are printed
# with the target (the disk at most 1.2 times tmpfs).
#
#     cmake --preset native && cmake --build --preset native
#     bash bench/disk_batch.sh [RUNS] [DISK_FOLDER] [TMPFS_FOLDER]
#
# DISK_FOLDER defaults to build/native/disk-batch, TMPFS_FOLDER to
# /dev/shm/velmora-disk-batch; both are emptied and removed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-5}
disk=${2:-$root/build/native/disk-batch}
memory=${3:-/dev/shm/velmora-disk-batch}
cli=$root/build/native/cli/velmora-cli
[ -x "$cli" ] || { echo "build the native preset first: $cli is missing" >&2; exit 1; }
[ "$(stat -f -c %T "$(dirname "$memory")")" = tmpfs ] || echo "warning: $(dirname "$memory") is not tmpfs" >&2

inputs=$disk/inputs
rm -rf "$disk" "$memory"
mkdir -p "$inputs" "$memory"
trap 'rm -rf "$disk" "$memory"' EXIT
convert -size 512x512 gradient:'#2050a0-#f0d080' \( -size 512x512 xc: +noise Random -blur 0x1.5 \) \
    -compose overlay -composite -quality 90 "$inputs/0.jpg"
for i in $(seq 1 399); do cp "$inputs/0.jpg" "$inputs/$i.jpg"; done
inputs_list=("$inputs"/*.jpg)

# One run into folder, emptied first: its wall time in seconds.
run() {
    rm -rf "$1/out"
    sync
    local start end
    start=$(date +%s.%N)
    "$cli" -j 2 --quiet --output-dir "$1/out" "${inputs_list[@]}"
    end=$(date +%s.%N)
    echo "$end - $start" | bc -l
}

median() { sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }

disk_times=() memory_times=() ratios=()
for pair in $(seq 1 "$runs"); do
    if [ $((pair % 2)) = 1 ]; then
        d=$(run "$disk"); m=$(run "$memory")
    else
        m=$(run "$memory"); d=$(run "$disk")
    fi
    disk_times+=("$d") memory_times+=("$m") ratios+=("$(echo "$d / $m" | bc -l)")
    printf 'pair %d: disk %.3f s, tmpfs %.3f s\n' "$pair" "$d" "$m"
done
d=$(printf '%s\n' "${disk_times[@]}" | median)
m=$(printf '%s\n' "${memory_times[@]}" | median)
r=$(printf '%s\n' "${ratios[@]}" | median)
printf 'median of %d: disk %.3f s, tmpfs %.3f s, ratio %.3f (target at most 1.2: %s)\n' "$runs" "$d" "$m" "$r" \
    "$(echo "$r <= 1.2" | bc -l | sed 's/1/met/;s/0/missed/')"
