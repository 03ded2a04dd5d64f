#!/usr/bin/env bash
# Photographs the window program after an extraction: starts it under Xvfb in
# a Wine virtual desktop (so that window frames and captions are drawn), opens
# a sample picture, extracts, and saves the screen as a PNG.
# Usage: scripts/screenshot.sh [OUTPUT.png [help|about]]
# (default docs/screenshot.png; help or about opens that dialog too)
# VELMORA_DPI=144 takes it at that DPI, in a Wine prefix of its own.
set -euo pipefail
cd "$(dirname "$0")/.."
output=${1:-docs/screenshot.png}
dialog=${2:-}

cmake --preset windows >/dev/null
cmake --build --preset windows --target velmora-screenshot >/dev/null
build=build/windows
work=$build/screenshot
mkdir -p "$work" "$(dirname "$output")"

# Debian's ImageMagick, whatever else is called convert on the PATH.
convert=/usr/bin/convert

# A small scene: sky, sun, hills and a house.
$convert -size 360x240 gradient:'#7fb4e6-#e8eef4' \
  -fill '#f4c430' -draw 'circle 290,60 290,88' \
  -fill '#5a8f3c' -draw 'polygon 0,170 70,120 150,160 230,110 360,165 360,240 0,240' \
  -fill '#c8553d' -draw 'rectangle 90,150 170,215' \
  -fill '#6b3e26' -draw 'polygon 80,152 130,112 180,152' \
  -fill '#f2e8cf' -draw 'rectangle 118,178 142,215' \
  -fill '#9ecae1' -draw 'rectangle 100,160 116,176' \
  "PNG24:$work/sample.png"

# A higher DPI comes with a larger screen, as on a laptop at 150 %.
dpi=${VELMORA_DPI:-96}
screen=1280x800
[ "$dpi" = 96 ] || screen=1920x1080

display_number=$((100 + RANDOM % 400))
Xvfb ":$display_number" -screen 0 ${screen}x24 -nolisten tcp &
xvfb=$!
prefix=$PWD/$build/wineprefix
if [ "$dpi" != 96 ]; then
  prefix=$PWD/$build/wineprefix-${dpi}dpi
  scripts/wine-run.sh "$prefix" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
fi
cleanup() {
  WINEPREFIX=$prefix /usr/lib/wine/wineserver64 -k 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=":$display_number"
sleep 1

rm -f "$work/ready"
scripts/wine-run.sh "$prefix" explorer /desktop=velmora,$screen \
  "$build/tests/velmora-screenshot.exe" "Z:$PWD/$work/sample.png" "Z:$PWD/$work/ready" $dialog &
for _ in $(seq 120); do
  [ -f "$work/ready" ] && break
  sleep 1
done
[ -f "$work/ready" ] || { echo "screenshot: the program did not start" >&2; exit 1; }
sleep 2
import -window root "$work/screen.png"
# Cut away the empty desktop around the two windows, keeping a margin of it.
desktop=$($convert "$work/screen.png" -format '%[pixel:p{0,0}]' info:)
$convert "$work/screen.png" -trim +repage -bordercolor "$desktop" -border 12 "$output"
echo "$output"
