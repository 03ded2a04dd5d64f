#!/usr/bin/env bash
# Copy and paste between the window program under Wine and X programs, with
# xclip on the same display: x_clipboard_test.sh BUILD_DIR. The program's
# side is two steps of ui_tests (FileCommandsTest.XClipboard*). Every wait
# has a time limit, and the xclip serving a selection is ended on exit.
set -euo pipefail

build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

work=$build/tests/output/x_clipboard
rm -rf "$work"
mkdir -p "$work"
export VELMORA_X_CLIPBOARD="Z:$work"

server=
trap '[ -z "$server" ] || kill "$server" 2>/dev/null || true' EXIT

fail() {
  echo "x_clipboard_test: $*" >&2
  exit 1
}

step() {
  timeout 120 bash "$here/../scripts/wine-run.sh" "$build/wineprefix" "$build/tests/ui_tests.exe" \
    --gtest_filter="FileCommandsTest.$1"
}

# A picture's grey levels, one byte a pixel, for comparing whole pictures.
grey() {
  convert "$@" -depth 8 gray:-
}

# Copy: the X clipboard offers a PNG of the lines on a transparent background.
step XClipboardCopy &
program=$!
for _ in $(seq 300); do
  [ -e "$work/copied" ] || ! kill -0 "$program" 2>/dev/null && break
  sleep 0.1
done
[ -e "$work/copied" ] || fail "the program did not copy"
targets=$(timeout 10 xclip -selection clipboard -t TARGETS -o) || true
timeout 10 xclip -selection clipboard -t image/png -o >"$work/copied.png" || true
touch "$work/read"
wait "$program" || fail "the copy step failed"
grep -qx image/png <<<"$targets" || fail "no image/png among the targets: $targets"
# Alpha 0 exactly where the result is white, opaque elsewhere; and the
# opaque pixels black.
cmp <(grey "$work/copied.png" -alpha extract) <(grey "$work/result.bmp" -negate) ||
  fail "the copied PNG's alpha is not the result's lines"
cmp <(grey "$work/copied.png" -background white -alpha remove -alpha off) <(grey "$work/result.bmp") ||
  fail "the copied PNG's lines are not the result's"

# Paste: a black disc and a half-transparent blue bar on a transparent
# background, offered as a PNG and as a 32-bit BMP with alpha, paste as
# opening the file does.
convert -size 48x36 xc:none -fill black -draw "circle 24,18 24,6" -fill "rgba(0,0,200,0.5)" \
  -draw "rectangle 4,4 20,30" "$work/disc.png"
convert "$work/disc.png" "$work/disc.bmp"
for offer in image/png:disc.png image/bmp:disc.bmp; do
  xclip -quiet -selection clipboard -t "${offer%%:*}" -i "$work/${offer#*:}" >/dev/null 2>&1 &
  server=$!
  VELMORA_X_CLIPBOARD_FILE=${offer#*:} step XClipboardPaste || fail "pasting ${offer%%:*} is not opening ${offer#*:}"
  kill "$server"
  wait "$server" 2>/dev/null || true
  server=
done
echo "x_clipboard_test: copy and paste through the X clipboard work"
