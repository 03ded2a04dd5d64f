#!/usr/bin/env bash
# Times the converter on a 6000 x 4000 JPEG, end to end (load, extract,
# remove noise, write a BMP), next to a similar conversion by Debian's
# ImageMagick, in the same run, and prints the median of each.
#
#     cmake --preset native && cmake --build --preset native
#     bash bench/compare_imagemagick.sh [RUNS]
#
# The picture is made once by ImageMagick from a plasma with a fixed seed and
# kept in build/compare/.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-5}"
cli="$root/build/native/cli/velmora-cli"
# Debian's own binary, whatever else the PATH offers under the same name.
magick=/usr/bin/convert
folder="$root/build/compare"
input="$folder/photo-6000x4000.jpg"

[ -x "$cli" ] || { echo "build the native preset first: $cli is missing" >&2; exit 1; }
[ -x "$magick" ] || { echo "$magick is missing: apt-get install imagemagick" >&2; exit 1; }
mkdir -p "$folder"
if [ ! -f "$input" ]; then
    echo "making $input"
    "$magick" -size 6000x4000 -seed 7 plasma:fractal -quality 92 "$input"
fi

velmora=("$cli" --noise on -o "$folder/velmora.bmp" "$input")
imagemagick=("$magick" "$input" -colorspace Gray -edge 1 -negate -threshold 90% "$folder/imagemagick.bmp")

# Wall-clock seconds of one run of the command given as arguments.
seconds() {
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    awk -v start="$start" -v end="$end" 'BEGIN { printf "%.3f\n", end - start }'
}

median() {
    printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { printf "%.3f\n", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

velmoraTimes=()
magickTimes=()
# Alternating the two spreads any change in the machine's load over both.
for ((i = 1; i <= runs; ++i)); do
    velmoraTimes+=("$(seconds "${velmora[@]}")")
    magickTimes+=("$(seconds "${imagemagick[@]}")")
    echo "run $i: velmora ${velmoraTimes[-1]} s, imagemagick ${magickTimes[-1]} s"
done

echo "velmora:     $(median "${velmoraTimes[@]}") s median of $runs   ${velmora[*]}"
echo "imagemagick: $(median "${magickTimes[@]}") s median of $runs   ${imagemagick[*]}"
