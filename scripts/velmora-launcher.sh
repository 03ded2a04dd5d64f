#!/usr/bin/env bash
# velmora: starts ヴェルモラ抽出器, a Windows program, under Wine.
# It runs in ${XDG_DATA_HOME:-~/.local/share}/velmora, where it keeps its
# settings file Velmora.ini, with a Wine prefix of its own in wineprefix there
# (Japanese locale, no download prompts, no Wine debug output).
set -euo pipefail

# Only shell built-ins until both checks pass, so that they speak even when
# little else is installed.
if ! command -v wine >/dev/null 2>&1; then
  echo "velmora: Wine is not installed; install it (on Debian: apt-get install wine wine64) and start again" >&2
  exit 1
fi
if [ -z "${DISPLAY:-}" ]; then
  echo "velmora: no display to show the window on (DISPLAY is not set); start it from a desktop session" >&2
  exit 1
fi

program_folder=$(dirname "$(readlink -f "$0")")/../lib/velmora
data=${XDG_DATA_HOME:-$HOME/.local/share}/velmora
mkdir -p "$data"
cd "$data"
exec "$program_folder/wine-run.sh" "$data/wineprefix" "$program_folder/velmora.exe"
