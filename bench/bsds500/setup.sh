#!/bin/sh
# Makes the benchmark's Python environment in the folder given (kept out of
# the repository): setup.sh VENV, then VENV/bin/python score.py ...
set -eu
if [ $# -ne 1 ]; then
    echo "usage: $0 VENV-FOLDER" >&2
    exit 2
fi
python3 -m venv "$1"
"$1/bin/pip" install --quiet --requirement "$(dirname "$0")/requirements.txt"
