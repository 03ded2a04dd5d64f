#!/usr/bin/env bash
# Runs a Windows program under Wine: wine-run.sh PREFIX PROGRAM [ARGUMENTS...]
# The prefix is created on first use, without the Mono and Gecko download
# prompts. Japanese locale, so that the ANSI code page is 932.
set -euo pipefail

prefix=$1
shift

export WINEPREFIX=$prefix
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=ja_JP.UTF-8
export LC_ALL=ja_JP.UTF-8

wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=wine
wineserver=/usr/lib/wine/wineserver64
[ -x "$wineserver" ] || wineserver=wineserver

mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -f "$prefix/system.reg" ]; then
    "$wine" wineboot --init >/dev/null 2>&1 || true
    "$wineserver" -w
    [ -f "$prefix/system.reg" ] || { echo "wine-run: could not create the Wine prefix $prefix" >&2; exit 1; }
  fi
) 9>"$prefix.lock"

if [ -n "${DISPLAY:-}" ]; then
  exec "$wine" "$@"
else
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$wine" "$@"
fi
