#!/usr/bin/env bash
# Runs a Windows program under Wine: wine-run.sh PREFIX PROGRAM [ARGUMENTS...]
# The prefix is created on first use, without the Mono and Gecko download
# prompts. Japanese locale unless VELMORA_WINE_LOCALE names another (for
# instance C.UTF-8); the programs' manifest makes their code page UTF-8 in
# every locale.
set -euo pipefail

prefix=$1
shift

export WINEPREFIX=$prefix
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=${VELMORA_WINE_LOCALE:-ja_JP.UTF-8}
export LC_ALL=$LANG

wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=wine
wineserver=/usr/lib/wine/wineserver64
[ -x "$wineserver" ] || wineserver=wineserver

mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -f "$prefix/.velmora-ready-3" ]; then
    "$wine" wineboot --init >/dev/null 2>&1 || true
    # The registry reaches the disk when the server ends.
    "$wineserver" -w
    [ -f "$prefix/system.reg" ] || { echo "wine-run: could not create the Wine prefix $prefix" >&2; exit 1; }
    # Wine draws the caption buttons with Marlett, which it does not find in
    # Debian's fonts-wine by itself.
    [ -f /usr/share/wine/fonts/marlett.ttf ] && cp /usr/share/wine/fonts/marlett.ttf "$prefix/drive_c/windows/Fonts/"
    # The dialogs ask for the ＭＳ ゴシック face, which Debian lacks: IPAGothic stands in.
    for face in "ＭＳ ゴシック" "MS Gothic" "ＭＳ Ｐゴシック" "MS UI Gothic"; do
      "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d IPAGothic /f >/dev/null 2>&1
    done
    # Test programs use windows the X server does not manage: without a window
    # manager (Xvfb) Wine would wait for one at every window it shows.
    for program in ui_tests.exe; do
      "$wine" reg add "HKCU\\Software\\Wine\\AppDefaults\\$program\\X11 Driver" /v Managed /d N /f >/dev/null 2>&1
    done
    "$wineserver" -w
    touch "$prefix/.velmora-ready-3"
  fi
) 9>"$prefix.lock"

if [ -n "${DISPLAY:-}" ]; then
  exec "$wine" "$@"
else
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$wine" "$@"
fi
