#!/usr/bin/env bash
# The Python package's wheel for aarch64 Linux: cross-built with Debian's
# aarch64 compiler (cmake/aarch64-linux-gnu.cmake) against Debian 12's arm64
# Python 3.11, repaired into a manylinux wheel by auditwheel, then tested
# under qemu-aarch64 with that Python, numpy's aarch64 wheel and a part of
# the package's tests (below), against build/native's velmora-cli.
# Debian's arm64 Python, with the C++ runtime that numpy needs, is unpacked
# once by mmdebstrap, without running anything of it, into
# build/debian/bookworm-arm64-python. The wheel goes into
# build/python-dist/manylinux beside the x86-64 one.
# Run by scripts/python-test.sh, whose tools (build/python-venv) it uses.
set -euo pipefail
cd "$(dirname "$0")/.."

tools=build/python-venv
dist=build/python-dist
root=$PWD/build/debian/bookworm-arm64-python
python_version=3.11
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ ! -d "$root" ]; then
  echo "== python aarch64: unpacking Debian 12's arm64 Python into $root"
  rm -rf "$root.part"
  mkdir -p "$(dirname "$root")"
  timeout 900 mmdebstrap --arch=arm64 --variant=extract --include="python$python_version,libpython$python_version-dev,libstdc++6,libgcc-s1" \
    bookworm "$root.part" http://deb.debian.org/debian >"$work/mmdebstrap.log" 2>&1 ||
    { cat "$work/mmdebstrap.log" >&2; exit 1; }
  mv "$root.part" "$root"
fi
run_python() {
  qemu-aarch64 -L "$root" "$root/usr/bin/python$python_version" "$@"
}
suffix=$(run_python -c "import sysconfig; print(sysconfig.get_config_var('EXT_SUFFIX'))")

echo "== python aarch64: wheel"
# scikit-build-core names the wheel's platform and the module's suffix from
# these two, the target's rather than the building Python's. Debian's
# pyconfig.h includes the arm64 one from the multiarch folder found last.
rm -rf "$dist/aarch64" build/python/aarch64
_PYTHON_HOST_PLATFORM=linux-aarch64 SETUPTOOLS_EXT_SUFFIX=$suffix \
CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-2} "$tools/bin/python" -m build --wheel --outdir "$dist/aarch64" \
  -C build-dir=../build/python/aarch64 \
  -C cmake.args=--toolchain=$PWD/cmake/aarch64-linux-gnu.cmake \
  -C cmake.define.Python_INCLUDE_DIR="$root/usr/include/python$python_version" \
  -C cmake.define.CMAKE_CXX_FLAGS="-idirafter $root/usr/include" \
  python
wheel=$(ls "$dist"/aarch64/velmora-*_aarch64.whl)
shown=$("$tools/bin/auditwheel" show "$wheel")
echo "$shown"
if grep -q libz <<<"$shown"; then
  echo "python aarch64: the wheel needs the system's zlib" >&2
  exit 1
fi
PATH=$PWD/$tools/bin:$PATH "$tools/bin/auditwheel" repair --wheel-dir "$dist/manylinux" "$wheel"
repaired=$(ls "$dist"/manylinux/velmora-*manylinux*_aarch64.whl)

echo "== python aarch64: tests under qemu"
# pip of the build tools fetches the aarch64 wheels for the target Python,
# of any manylinux that Debian 12's glibc 2.36 runs.
platforms=(--platform manylinux2014_aarch64)
for minor in $(seq 17 36); do platforms+=(--platform "manylinux_2_${minor}_aarch64"); done
"$tools/bin/python" -m pip install -q --target "$work/site" --only-binary=:all: "${platforms[@]}" \
  --python-version "$python_version" --implementation cp --abi "cp${python_version/./}" \
  numpy==2.4.6 pytest==9.2.0 pytest-timeout==2.4.0 "$repaired"
# The pictures' conversion by both styles, the formats and options, the
# layouts and views of arrays and the version; not the threads' tests, as
# Debian 12's qemu-aarch64 hangs when a dynamically linked program starts a
# thread, nor the recipes.
cd build
VELMORA_CLI=$PWD/native/cli/velmora-cli PYTHONPATH=$work/site OPENBLAS_NUM_THREADS=1 \
  run_python -m pytest -q -p no:cacheprovider --timeout=900 \
  ../python/tests/test_convert.py ../python/tests/test_extract.py \
  -k "converters_bytes or load_then_extract or ink_extract or every_layout or strided_views or version_is"
