#!/usr/bin/env bash
# Copy and paste between the window program under Wine (the step
# FileCommandsTest.XClipboardStep of ui_tests) and xclip on the same display:
# x_clipboard_test.sh BUILD_DIR. Every wait has a time limit.
set -euo pipefail
[ -n "${DISPLAY:-}" ] || exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
build=$(cd "$1" && pwd)
work=$build/tests/output/x_clipboard
rm -rf "$work" && mkdir -p "$work"
export VELMORA_X_CLIPBOARD="Z:$work"
server=
trap '[ -z "$server" ] || kill "$server" 2>/dev/null || true' EXIT
fail() { echo "x_clipboard_test: $*" >&2; exit 1; }
step() { timeout 120 bash "$(dirname "$0")/../scripts/wine-run.sh" "$build/wineprefix" "$build/tests/ui_tests.exe" --gtest_filter=FileCommandsTest.XClipboardStep; }
grey() { convert "$@" -depth 8 gray:-; }

# Copy; then the copied and the saved PNG have alpha 0 exactly where the
# result is white and are opaque black elsewhere.
step & program=$!
for _ in $(seq 300); do
  [ -e "$work/copied" ] || ! kill -0 "$program" 2>/dev/null && break
  sleep 0.1
done
targets=$(timeout 10 xclip -selection clipboard -t TARGETS -o) || true
timeout 10 xclip -selection clipboard -t image/png -o >"$work/copied.png" || true
touch "$work/read"
wait "$program" || fail "the copy step failed"
grep -qx image/png <<<"$targets" || fail "no image/png among the targets: $targets"
for png in copied.png saved.png; do
  cmp <(grey "$work/$png" -alpha extract) <(grey "$work/result.bmp" -negate) || fail "$png: alpha is not the lines"
  cmp <(grey "$work/$png" -background white -alpha remove -alpha off) <(grey "$work/result.bmp") || fail "$png: lines"
done

# Paste a black disc and a half-transparent bar on a transparent background,
# offered as a PNG and as a 32-bit BMP with alpha: as the file opens.
convert -size 48x36 xc:none -fill black -draw "circle 24,18 24,6" -fill "rgba(0,0,200,0.5)" \
  -draw "rectangle 4,4 20,30" "$work/disc.png"
convert "$work/disc.png" "$work/disc.bmp"
for file in disc.png disc.bmp; do
  xclip -quiet -selection clipboard -t "image/${file#*.}" -i "$work/$file" >/dev/null 2>&1 & server=$!
  VELMORA_X_CLIPBOARD_FILE=$file step || fail "pasting $file is not opening it"
  kill "$server" && wait "$server" 2>/dev/null || true
  server=
done
