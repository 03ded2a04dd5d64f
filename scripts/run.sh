#!/usr/bin/env bash
# Sets up the machine, builds the programs and starts the converter, which
# shows its usage. Arguments are passed on: scripts/run.sh photo.jpg
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset native >/dev/null
cmake --build --preset native --target velmora-cli
if [ "$#" -eq 0 ]; then
  exec build/native/cli/velmora-cli --help
fi
exec build/native/cli/velmora-cli "$@"
