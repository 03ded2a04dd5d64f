#!/usr/bin/env bash
# Installs the Linux build into a temporary prefix and checks what a user
# gets: the converter, which runs, and its manual page, which names every
# option of --help. Given the Windows build folder it was configured with,
# also the window program's launcher, desktop entry and icons. VERSION is
# the one of project(), which the converter and its page must name.
# install_test.sh BUILD_FOLDER VERSION [WINDOWS_BUILD_FOLDER]
set -euo pipefail
build=$1
version=$2
windows_build=${3:-}
source=$(cd "$(dirname "$0")/.." && pwd)
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
status=0
fail() {
  echo "install_test: $*" >&2
  status=1
}

cmake --install "$build" --prefix "$prefix" >/dev/null
cli=$prefix/bin/velmora-cli
[ -x "$cli" ] || { echo "install_test: no bin/velmora-cli" >&2; exit 1; }
[ "$("$cli" --version | head -n 1)" = "velmora-cli version $version" ] || fail "the installed converter gives another version"
cp "$source/tests/data/jpeg/baseline.jpg" "$prefix/photo.jpg"
"$cli" --quiet --output-dir "$prefix/drawings" "$prefix/photo.jpg" || fail "the installed converter failed"
[ -s "$prefix/drawings/photo-velmora.bmp" ] || fail "the installed converter wrote no drawing"

page=$prefix/share/man/man1/velmora-cli.1
[ -f "$page" ] || { echo "install_test: no share/man/man1/velmora-cli.1" >&2; exit 1; }
# Wide lines and no hyphenation, so that each option stays whole.
manual=$(MANWIDTH=1000 LC_ALL=C.UTF-8 man -l "$page" 2>&1) || fail "man -l cannot read the page: $manual"
grep -q "^EXIT STATUS" <<<"$manual" || fail "the manual page has no exit status"
grep -q "^EXAMPLES" <<<"$manual" || fail "the manual page has no examples"
grep -q "^velmora-cli $version .*VELMORA-CLI(1)\$" <<<"$manual" || fail "the manual page names another version"
for option in $("$cli" --help | grep -o -- '^  -[-a-z]*'); do
  grep -qF -- "$option" <<<"$manual" || fail "the manual page does not mention $option"
done

if [ -n "$windows_build" ]; then
  for file in bin/velmora lib/velmora/velmora.exe lib/velmora/wine-run.sh share/applications/velmora.desktop; do
    [ -f "$prefix/$file" ] || fail "no $file"
  done
  grep -qx "Exec=velmora" "$prefix/share/applications/velmora.desktop" || fail "the desktop entry starts something else"
  grep -qx "Icon=velmora" "$prefix/share/applications/velmora.desktop" || fail "the desktop entry names another icon"
  for size in 16 32 48; do
    icon=$prefix/share/icons/hicolor/${size}x${size}/apps/velmora.png
    # A PNG's width and height are the big-endian numbers at bytes 16 and 20.
    [ "$(od -An -tx1 -j 16 -N 8 "$icon" 2>/dev/null | tr -d ' ')" = "$(printf '%08x%08x' "$size" "$size")" ] ||
      fail "no ${size}x${size} PNG icon"
  done
  # The launcher refuses plainly without a display, and without Wine even
  # when nothing but bash is found. Were it to start the program anyway, its
  # data stays in the prefix and the timeout ends it.
  export XDG_DATA_HOME=$prefix/data
  if message=$(env -u DISPLAY timeout 20 "$prefix/bin/velmora" 2>&1); then
    fail "the launcher started without a display"
  fi
  grep -q "DISPLAY" <<<"$message" || fail "the launcher said, without a display: $message"
  if message=$(timeout 20 env DISPLAY=:0 PATH=/nonexistent /bin/bash "$prefix/bin/velmora" 2>&1); then
    fail "the launcher started without Wine"
  fi
  grep -q "Wine is not installed" <<<"$message" || fail "the launcher said, without Wine: $message"
fi
exit $status
