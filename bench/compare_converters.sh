#!/usr/bin/env bash
# Times the converter end to end (load, extract, remove noise, write a BMP) on
# a 6000 x 4000 JPEG, once baseline and once progressive, next to two similar
# conversions: an OpenCV script (grey, Canny, invert) and ImageMagick's
# edge filter. Prints the median of each, how many times faster the
# converter is than each, and the converter's peak memory as a multiple of
# the picture's size at 24 bits per pixel.
#
#     cmake --preset native && cmake --build --preset native
#     bash bench/compare_converters.sh [RUNS]
#
# Then the same photo as centre-line SVG (thin and thick lines, noise removal
# on): the tracer's time, peak memory and bytes next to potrace's outlines
# (`potrace -s` on the same drawing as PBM), and how well each SVG, rendered
# back with rsvg-convert over white, covers the drawing: the share of line
# pixels with a rendered line pixel (darker than 128) within one pixel, and
# the other way round.
#
# The picture is the benchmark's photo-like image, written by velmora-bench
# and encoded by cjpeg at quality 90; the files are kept in build/compare/.
# Debian's python3-opencv, libjpeg-turbo-progs and potrace are installed when
# missing.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-5}"
cli="$root/build/native/cli/velmora-cli"
bench="$root/build/native/bench/velmora-bench"
traceBench="$root/build/native/bench/velmora-trace-bench"
# Debian's own programs, whatever else the PATH offers under the same names.
magick=/usr/bin/convert
python=/usr/bin/python3
cjpeg=/usr/bin/cjpeg
timer=/usr/bin/time
folder="$root/build/compare"
pictureBytes=$((6000 * 4000 * 3))

for program in "$cli" "$bench" "$traceBench"; do
    [ -x "$program" ] || { echo "build the native preset first: $program is missing" >&2; exit 1; }
done

missing=()
"$python" -c 'import cv2' 2>/dev/null || missing+=(python3-opencv)
[ -x "$cjpeg" ] || missing+=(libjpeg-turbo-progs)
[ -x "$magick" ] || missing+=(imagemagick)
[ -x "$timer" ] || missing+=(time)
[ -x /usr/bin/potrace ] || missing+=(potrace)
[ -x /usr/bin/rsvg-convert ] || missing+=(librsvg2-bin)
if [ "${#missing[@]}" -gt 0 ]; then
    as_root=()
    [ "$(id -u)" -eq 0 ] || as_root=(sudo)
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    "${as_root[@]}" apt-get update -q
    "${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

mkdir -p "$folder"
if [ ! -f "$folder/baseline.jpg" ] || [ ! -f "$folder/progressive.jpg" ]; then
    echo "making $folder/baseline.jpg and progressive.jpg"
    "$bench" --write-photo "$folder/photo.bmp"
    "$cjpeg" -quality 90 -outfile "$folder/baseline.jpg" "$folder/photo.bmp"
    "$cjpeg" -quality 90 -progressive -outfile "$folder/progressive.jpg" "$folder/photo.bmp"
    rm "$folder/photo.bmp"
fi

# Canny's thresholds are OpenCV's usual example values.
opencvScript='
import sys, cv2
grey = cv2.imread(sys.argv[1], cv2.IMREAD_GRAYSCALE)
cv2.imwrite(sys.argv[2], cv2.bitwise_not(cv2.Canny(grey, 100, 200)))
'

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

# How many times the first time the second is.
ratio() {
    awk -v fast="$1" -v slow="$2" 'BEGIN { printf "%.2f\n", slow / fast }'
}

compare() {
    local kind="$1" input="$folder/$1.jpg"
    local velmora=("$cli" --noise on -o "$folder/$kind-velmora.bmp" "$input")
    local opencv=("$python" -c "$opencvScript" "$input" "$folder/$kind-opencv.bmp")
    local imagemagick=("$magick" "$input" -colorspace Gray -edge 1 -negate -threshold 90% "$folder/$kind-imagemagick.bmp")
    local velmoraTimes=() opencvTimes=() magickTimes=() i
    echo "== $kind JPEG, $input"
    # Taking turns spreads any change in the machine's load over all three.
    for ((i = 1; i <= runs; ++i)); do
        velmoraTimes+=("$(seconds "${velmora[@]}")")
        opencvTimes+=("$(seconds "${opencv[@]}")")
        magickTimes+=("$(seconds "${imagemagick[@]}")")
        echo "run $i: velmora ${velmoraTimes[-1]} s, opencv ${opencvTimes[-1]} s, imagemagick ${magickTimes[-1]} s"
    done
    local v o m
    v=$(median "${velmoraTimes[@]}")
    o=$(median "${opencvTimes[@]}")
    m=$(median "${magickTimes[@]}")
    # Peak resident memory in KiB, measured on a run of its own.
    local kib
    kib=$("$timer" -f %M "${velmora[@]}" 2>&1 >/dev/null | tail -n 1)
    echo "velmora:     $v s median of $runs   ${velmora[*]}"
    echo "opencv:      $o s median of $runs, velmora $(ratio "$v" "$o") times faster   $python -c '<imread grey, Canny 100 200, invert, imwrite>' $input $folder/$kind-opencv.bmp"
    echo "imagemagick: $m s median of $runs, velmora $(ratio "$v" "$m") times faster   ${imagemagick[*]}"
    echo "velmora peak memory: $kib KiB, $(awk -v kib="$kib" -v bytes="$pictureBytes" 'BEGIN { printf "%.2f", kib * 1024 / bytes }') times the 24-bit picture (6000 x 4000 x 3 bytes)"
}

# Other work on the machine slows all three; the load shows how much.
echo "load average: $(cut -d ' ' -f 1-3 /proc/loadavg) on $(nproc) cores"
compare baseline
compare progressive

# Peak resident memory in KiB of one run of the command given as arguments.
peakKib() {
    "$timer" -f %M "$@" 2>&1 >/dev/null | tail -n 1
}

# Renders the SVG at the drawing's size over white and measures its cover.
fidelity() {
    /usr/bin/rsvg-convert -b white -w 6000 -h 4000 -o "$folder/rendered.png" "$1"
    "$traceBench" fidelity "$2" "$folder/rendered.png"
}

traced() {
    local thickness="$1" input="$folder/baseline.jpg"
    local drawing="$folder/drawing-$thickness"
    local velmora=("$traceBench" trace "$input" "$thickness" "$folder/$thickness-velmora.svg")
    local potrace=(/usr/bin/potrace -s -o "$folder/$thickness-potrace.svg" "$drawing.pbm")
    local velmoraTimes=() potraceTimes=() i
    echo "== SVG, $thickness lines, $input"
    "$traceBench" drawing "$input" "$thickness" "$drawing.bmp" "$drawing.pbm"
    for ((i = 1; i <= runs; ++i)); do
        velmoraTimes+=("$(seconds "${velmora[@]}")")
        potraceTimes+=("$(seconds "${potrace[@]}")")
    done
    local v p vKib pKib vBytes pBytes
    v=$(median "${velmoraTimes[@]}")
    p=$(median "${potraceTimes[@]}")
    vKib=$(peakKib "${velmora[@]}")
    pKib=$(peakKib "${potrace[@]}")
    vBytes=$(stat -c %s "$folder/$thickness-velmora.svg")
    pBytes=$(stat -c %s "$folder/$thickness-potrace.svg")
    echo "velmora (load, extract, remove specks, trace, write): $v s median of $runs, $vKib KiB peak, $vBytes bytes   ${velmora[*]}"
    echo "potrace (trace the drawing's PBM, write):              $p s median of $runs, $pKib KiB peak, $pBytes bytes   ${potrace[*]}"
    awk -v v="$v" -v p="$p" -v vk="$vKib" -v pk="$pKib" -v vb="$vBytes" -v pb="$pBytes" \
        'BEGIN { printf "velmora / potrace: time %.2f, peak memory %.2f, bytes %.2f\n", v / p, vk / pk, vb / pb }'
    echo "velmora cover: $(fidelity "$folder/$thickness-velmora.svg" "$drawing.bmp")"
    echo "potrace cover: $(fidelity "$folder/$thickness-potrace.svg" "$drawing.bmp")"
}

traced thin
traced thick
