#!/usr/bin/env bash
# Times the converter end to end (load, extract, remove noise, write a BMP) on
# a 6000 x 4000 JPEG, once baseline and once progressive, next to two similar
# conversions: an OpenCV script (grey, Canny, invert) and ImageMagick's
# edge filter. Prints the median of each, how many times faster the
# converter is than each, and the converter's peak memory as a multiple of
# the picture's size at 24 bits per pixel.
#
#     cmake --preset native && cmake --build --preset native
#     bash bench/compare_converters.sh [RUNS] [batch]
#
# With "batch", only the batch targets (below) are measured.
#
# Then the same photo as centre-line SVG (thin and thick lines, noise removal
# on, contrast 7 and the denser contrast 3): the converter's time, peak memory and bytes next to potrace's outlines
# (`potrace -s` on the same drawing as PBM), and how well each SVG, rendered
# back with rsvg-convert over white, covers the drawing: the share of line
# pixels with a rendered line pixel (darker than 128) within one pixel, and
# the other way round.
#
# Last, the targets of the streaming converter, each from RUNS pairs of runs
# that take turns (each command of a pair first in every other pair), as the
# medians of both commands and the median of the pairs' ratios, with the
# target and whether it is met:
# - peak memory of `velmora-cli --noise on` on the baseline JPEG (at most
#   16 MiB) and on a 12000 x 12000 PNG (at most 32 MiB), made from the
#   photo's rows, mirrored, a row at a time;
# - its time on the baseline JPEG as a multiple of `djpeg -bmp`, which only
#   decodes and writes the same 24-bit BMP (at most 1.15);
# - how many times faster it is than `vips sobel` with libvips' default
#   threads, writing an uncompressed PPM (at least 1.8), the OpenCV script
#   (3) and the ImageMagick pipeline (5);
# - batches, each run into an empty folder (emptied, and the system's cache
#   written to disk, before it and outside its time): 400 JPEGs of
#   512 x 512 cut from the photo, into a folder on disk, with -j 2 at least
#   1.8 times as fast as with -j 1, and at most 1.2 times the time of the
#   same run into tmpfs (/dev/shm); 16 copies of the JPEG to BMP with -j 2
#   at least 1.8 times as fast as with -j 1, and for comparison the same
#   batch written as PNG, whose small files leave the disk out of it.
# Peak memory is the resident maximum that /usr/bin/time reports. Other work
# on the machine slows every command; the load average is printed with them.
#
# The picture is the benchmark's photo-like image, written by velmora-bench
# and encoded by cjpeg at quality 90; the files are kept in build/compare/.
# Debian's python3-opencv, libjpeg-turbo-progs, libvips-tools and potrace are
# installed when missing.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-5}"
only="${2:-all}"
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
[ -x /usr/bin/vips ] || missing+=(libvips-tools)
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
if [ "$only" != batch ]; then
    compare baseline
    compare progressive
fi

# Peak resident memory in KiB of one run of the command given as arguments.
peakKib() {
    "$timer" -f %M "$@" 2>&1 >/dev/null | tail -n 1
}

# Renders the SVG at the drawing's size over white and measures its cover.
fidelity() {
    /usr/bin/rsvg-convert -b white -w 6000 -h 4000 -o "$folder/rendered.png" "$1"
    "$traceBench" fidelity "$2" "$folder/rendered.png"
}

# The SVG targets on the drawing of one thickness and contrast: at most half
# potrace's time and bytes and a quarter of its peak memory, and a cover of
# at least 99.5 % both ways when rendered back.
traced() {
    local thickness="$1" contrast="$2" input="$folder/baseline.jpg"
    local name="$thickness-$contrast"
    local drawing="$folder/drawing-$name"
    local velmora=("$cli" --format svg --thickness "$thickness" --contrast "$contrast" --noise on --quiet
                   -o "$folder/$name-velmora.svg" "$input")
    local potrace=(/usr/bin/potrace -s -o "$folder/$name-potrace.svg" "$drawing.pbm")
    local velmoraTimes=() potraceTimes=() i
    echo "== SVG, $thickness lines, contrast $contrast, $input"
    "$traceBench" drawing "$input" "$thickness" "$contrast" "$drawing.bmp" "$drawing.pbm"
    for ((i = 1; i <= runs; ++i)); do
        velmoraTimes+=("$(seconds "${velmora[@]}")")
        potraceTimes+=("$(seconds "${potrace[@]}")")
    done
    local v p vKib pKib vBytes pBytes
    v=$(median "${velmoraTimes[@]}")
    p=$(median "${potraceTimes[@]}")
    vKib=$(peakKib "${velmora[@]}")
    pKib=$(peakKib "${potrace[@]}")
    vBytes=$(stat -c %s "$folder/$name-velmora.svg")
    pBytes=$(stat -c %s "$folder/$name-potrace.svg")
    echo "velmora (the converter: decode, extract, remove specks, trace, write): $v s median of $runs, $vKib KiB peak, $vBytes bytes   ${velmora[*]}"
    echo "potrace (trace the drawing's PBM, write):                              $p s median of $runs, $pKib KiB peak, $pBytes bytes   ${potrace[*]}"
    target "SVG time / potrace's" "$(awk -v v="$v" -v p="$p" 'BEGIN { print v / p }')" at-most 0.5 ""
    target "SVG peak memory / potrace's" "$(awk -v v="$vKib" -v p="$pKib" 'BEGIN { print v / p }')" at-most 0.25 ""
    target "SVG bytes / potrace's" "$(awk -v v="$vBytes" -v p="$pBytes" 'BEGIN { print v / p }')" at-most 0.5 ""
    echo "velmora cover: $(fidelity "$folder/$name-velmora.svg" "$drawing.bmp")"
    echo "potrace cover: $(fidelity "$folder/$name-potrace.svg" "$drawing.bmp")"
}

# Writes a 12000 x 12000 RGB PNG of the photo's rows, mirrored across and
# down, holding one row at a time (filtered "up", as a photo compresses best).
bigPngScript='
import sys, struct, zlib, numpy
ppm, out, size = sys.argv[1], sys.argv[2], 12000
with open(ppm, "rb") as f:
    header = f.read(64)
fields = header.split()
width, height = int(fields[1]), int(fields[2])
rows = numpy.memmap(ppm, numpy.uint8, "r", header.index(b"\n255\n") + 5, (height, width, 3))

def chunk(kind, data):
    png.write(struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data)))

with open(out, "wb") as png:
    png.write(b"\x89PNG\r\n\x1a\n")
    chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 2, 0, 0, 0))
    deflate = zlib.compressobj(1)
    previous = numpy.zeros(size * 3, numpy.uint8)
    pending = b""
    for y in range(size):
        tile, at = divmod(y, height)
        source = rows[at if tile % 2 == 0 else height - 1 - at]
        row = numpy.concatenate((source, source[::-1]))[:size].reshape(-1)
        pending += deflate.compress(b"\x02" + (row - previous).tobytes())
        previous = row
        if len(pending) >= 1 << 20:
            chunk(b"IDAT", pending)
            pending = b""
    chunk(b"IDAT", pending + deflate.flush())
    chunk(b"IEND", b"")
'

# Wall seconds and peak resident KiB of one run of the command given as
# arguments, as "SECONDS KIB".
measured() {
    local start end kib
    start=$(date +%s.%N)
    kib=$("$timer" -f %M "$@" 2>&1 >/dev/null | tail -n 1)
    end=$(date +%s.%N)
    awk -v start="$start" -v end="$end" -v kib="$kib" 'BEGIN { printf "%.3f %d\n", end - start, kib }'
}

# Runs the commands held by the two arrays named, by turns, RUNS times each,
# each after the command beforeEachRun names (nothing when unset), outside
# its time. Sets the medians firstSeconds, secondSeconds, firstKib and
# secondKib, and pairRatio, the median over the pairs of the second's time
# over the first's.
paired() {
    local -n first=$1 second=$2
    local i a b aSeconds=() bSeconds=() aKib=() bKib=() ratios=()
    for ((i = 1; i <= runs; ++i)); do
        if ((i % 2)); then
            ${beforeEachRun:-:}
            a=$(measured "${first[@]}")
            ${beforeEachRun:-:}
            b=$(measured "${second[@]}")
        else
            ${beforeEachRun:-:}
            b=$(measured "${second[@]}")
            ${beforeEachRun:-:}
            a=$(measured "${first[@]}")
        fi
        aSeconds+=("${a% *}") aKib+=("${a#* }") bSeconds+=("${b% *}") bKib+=("${b#* }")
        ratios+=("$(awk -v a="${a% *}" -v b="${b% *}" 'BEGIN { printf "%.4f\n", b / a }')")
    done
    firstSeconds=$(median "${aSeconds[@]}") secondSeconds=$(median "${bSeconds[@]}")
    firstKib=$(median "${aKib[@]}") secondKib=$(median "${bKib[@]}")
    pairRatio=$(median "${ratios[@]}")
}

# One line per target: WHAT was measured, the RATIO, at-most or at-least,
# the LIMIT; then the COMMAND measured against velmora's.
target() {
    awk -v what="$1" -v ratio="$2" -v bound="$3" -v limit="$4" 'BEGIN {
        met = bound == "at-most" ? ratio <= limit : ratio >= limit
        sub("-", " ", bound)
        printf "target: %s: ratio %.2f, target %s %s: %s\n", what, ratio, bound, limit, met ? "met" : "not met" }'
    [ -z "$5" ] || echo "    $5"
}

mib() {
    awk -v kib="$1" 'BEGIN { printf "%.1f", kib / 1024 }'
}

# The batch targets. Every run writes into an empty folder, so that no output
# replaces a file.
batchOut="$folder/batch-out"
tmpfsOut="/dev/shm/velmora-compare-$$"
trap 'rm -rf "$tmpfsOut"' EXIT
emptyOutputs() {
    rm -rf "$batchOut" "$tmpfsOut"
    sync
}
mkdir -p "$folder/batch" "$folder/small"
for ((i = 1; i <= 16; ++i)); do cp "$folder/baseline.jpg" "$folder/batch/copy$i.jpg"; done
if [ ! -f "$folder/small/small400.jpg" ]; then
    # Cut losslessly at multiples of 16 pixels, the JPEG's blocks, so that
    # each is exactly 512 x 512 and each a different part of the photo.
    echo "making 400 JPEGs of 512 x 512 in $folder/small"
    cut=0
    for ((y = 0; cut < 400; y += 176)); do
        for ((x = 0; x + 512 <= 6000 && cut < 400; x += 272)); do
            cut=$((cut + 1))
            /usr/bin/jpegtran -crop "512x512+$x+$y" -outfile "$folder/small/small$cut.jpg" "$folder/baseline.jpg"
        done
    done
fi
small=("$folder"/small/small*.jpg)
# Run through paired's reference to them.
# shellcheck disable=SC2034
smallOneJob=("$cli" --noise on --quiet -j 1 --output-dir "$batchOut" "${small[@]}")
smallTwoJobs=("$cli" --noise on --quiet -j 2 --output-dir "$batchOut" "${small[@]}")
smallTwoJobsTmpfs=("$cli" --noise on --quiet -j 2 --output-dir "$tmpfsOut" "${small[@]}")
# shellcheck disable=SC2034
oneJob=("$cli" --noise on --quiet -j 1 --output-dir "$batchOut" "$folder"/batch/copy*.jpg)
twoJobs=("$cli" --noise on --quiet -j 2 --output-dir "$batchOut" "$folder"/batch/copy*.jpg)
# The same batch as PNG files, of a few hundred kilobytes each rather than
# 72 MB: what the batch gains where the disk does not set its pace.
# shellcheck disable=SC2034
oneJobPng=("$cli" --noise on --quiet --format png -j 1 --output-dir "$batchOut" "$folder"/batch/copy*.jpg)
# shellcheck disable=SC2034
twoJobsPng=("$cli" --noise on --quiet --format png -j 2 --output-dir "$batchOut" "$folder"/batch/copy*.jpg)

echo "== batch targets, medians of $runs runs by turns, each into an empty folder; load average: $(cut -d ' ' -f 1-3 /proc/loadavg) on $(nproc) cores"
beforeEachRun=emptyOutputs
paired smallTwoJobs smallOneJob
target "400 JPEGs of 512 x 512 to BMP on disk, times faster with -j 2 than with -j 1 (-j 2 $firstSeconds s, -j 1 $secondSeconds s, medians)" \
    "$pairRatio" at-least 1.8 "${smallTwoJobs[*]:0:8} $folder/small/small*.jpg"
paired smallTwoJobsTmpfs smallTwoJobs
target "the same with -j 2, its time on disk as a multiple of into tmpfs (disk $secondSeconds s, tmpfs $firstSeconds s, medians)" \
    "$pairRatio" at-most 1.2 "${smallTwoJobsTmpfs[*]:0:8} $folder/small/small*.jpg"
paired twoJobs oneJob
target "16 JPEGs of 6000 x 4000 to BMP on disk, times faster with -j 2 than with -j 1 (-j 2 $firstSeconds s, -j 1 $secondSeconds s, medians)" \
    "$pairRatio" at-least 1.8 "${twoJobs[*]:0:8} $folder/batch/copy*.jpg"
paired twoJobsPng oneJobPng
echo "for comparison, the same batch written as PNG: -j 2 $firstSeconds s, -j 1 $secondSeconds s, medians: ratio $pairRatio"
beforeEachRun=
echo "load average after the batches: $(cut -d ' ' -f 1-3 /proc/loadavg)"
[ "$only" != batch ] || exit 0

# Contrast 7 leaves the photo's few strong edges; contrast 3 also its
# grain, a drawing as dense as a detailed photo gives at 7.
for contrast in 7 3; do
    traced thin "$contrast"
    traced thick "$contrast"
done

jpeg="$folder/baseline.jpg"
png="$folder/big.png"
if [ ! -f "$png" ]; then
    echo "making $png"
    /usr/bin/djpeg -pnm -outfile "$folder/rows.ppm" "$jpeg"
    "$python" -c "$bigPngScript" "$folder/rows.ppm" "$png"
    rm "$folder/rows.ppm"
fi

velmora=("$cli" --noise on -o "$folder/target-velmora.bmp" "$jpeg")
velmoraPng=("$cli" --noise on -o "$folder/big-velmora.bmp" "$png")
djpeg=(/usr/bin/djpeg -bmp -outfile "$folder/target-djpeg.bmp" "$jpeg")
vips=(/usr/bin/vips sobel "$jpeg" "$folder/target-vips.ppm")
opencv=("$python" -c "$opencvScript" "$jpeg" "$folder/target-opencv.bmp")
imagemagick=("$magick" "$jpeg" -colorspace Gray -edge 1 -negate -threshold 90% "$folder/target-imagemagick.bmp")

echo "== targets, medians of $runs runs, each of velmora's by turns with the other's; load average: $(cut -d ' ' -f 1-3 /proc/loadavg) on $(nproc) cores"
paired djpeg velmora
target "peak memory on the 6000 x 4000 JPEG / 16 MiB (velmora $(mib "$secondKib") MiB, djpeg $(mib "$firstKib") MiB, medians)" \
    "$(awk -v kib="$secondKib" 'BEGIN { print kib / 1024 / 16 }')" at-most 1 "${velmora[*]}"
target "time as a multiple of djpeg -bmp's (velmora $secondSeconds s, djpeg $firstSeconds s, medians)" "$pairRatio" at-most 1.15 "${djpeg[*]}"
# Memory alone: no other command is measured on this file.
pngKib=()
for ((i = 1; i <= runs; ++i)); do
    run=$(measured "${velmoraPng[@]}")
    pngKib+=("${run#* }")
done
kib=$(median "${pngKib[@]}")
target "peak memory on the 12000 x 12000 PNG / 32 MiB (velmora $(mib "$kib") MiB, median)" \
    "$(awk -v kib="$kib" 'BEGIN { print kib / 1024 / 32 }')" at-most 1 "${velmoraPng[*]}"
for peer in vips opencv imagemagick; do
    case $peer in
        vips) least=1.8 shown="${vips[*]}" ;;
        opencv) least=3 shown="$python -c '<imread grey, Canny 100 200, invert, imwrite>' $jpeg $folder/target-opencv.bmp" ;;
        imagemagick) least=5 shown="${imagemagick[*]}" ;;
    esac
    paired velmora "$peer"
    target "times faster than $peer (velmora $firstSeconds s, $peer $secondSeconds s, medians)" "$pairRatio" at-least "$least" "$shown"
done
echo "load average after: $(cut -d ' ' -f 1-3 /proc/loadavg)"
