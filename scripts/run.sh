#!/usr/bin/env bash
# Sets up the machine, builds the window program and starts it under Wine on
# this display. It runs in build/windows, where it keeps its settings file.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  echo "run: no display to show the program on (DISPLAY is ${DISPLAY:-not set})" >&2
  exit 1
fi
cmake --preset windows >/dev/null
cmake --build --preset windows --target velmora
cd build/windows
exec ../../scripts/wine-run.sh "$PWD/wineprefix" ui/velmora.exe
