#!/usr/bin/env bash
# Checks the Python source package as a user elsewhere gets it: it holds the
# image libraries' sources and their licences but not their tests, and it
# builds and installs with pip where the repository and the fetched sources
# are out of reach (hidden in a mount namespace of its own), where apt-get,
# dpkg-source, nasm and yasm are missing, and from a folder outside the
# repository; the installed package then converts a picture into the bytes
# velmora-cli writes.
# sdist_test.sh ARCHIVE VELMORA_CLI [PYTHON]
set -euo pipefail
archive=$(realpath "$1")
cli=$(realpath "$2")
python=${3:-python3}
source=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() {
  echo "sdist_test: $*" >&2
  status=1
}

top=$(basename "$archive" .tar.gz)
listing=$(tar tzf "$archive")
# What building needs, what the licences ask to go with the sources, and the
# package's own files.
for file in pyproject.toml PKG-INFO LICENSE CMakeLists.txt velmora/__init__.py src/module.cpp \
  project/CMakeLists.txt project/engine/sources.cmake project/library/sources.cmake project/include/velmora.h \
  sources/libjpeg-turbo/.fetched sources/libjpeg-turbo/CMakeLists.txt sources/libjpeg-turbo/LICENSE.md \
  sources/libjpeg-turbo/README.ijg sources/libjpeg-turbo/debian/copyright \
  sources/libspng/.fetched sources/libspng/spng/spng.c sources/libspng/LICENSE sources/libspng/debian/copyright \
  sources/zlib/inflate.c sources/zlib/zlib.h sources/zlib/README sources/zlib/debian/copyright; do
  grep -qx "$top/$file" <<<"$listing" || fail "the archive lacks $file"
done
# Test data, documentation and quilt's copies of the patched files.
for folder in sources/libjpeg-turbo/testimages sources/libjpeg-turbo/doc sources/libspng/tests/images \
  sources/zlib/contrib sources/libjpeg-turbo/.pc sources/libjpeg-turbo/debian/patches project/tests; do
  if grep -q "^$top/$folder/" <<<"$listing"; then fail "the archive holds $folder"; fi
done
size=$(stat -c %s "$archive")
[ "$size" -le $((3 * 1024 * 1024)) ] || fail "the archive is $size bytes, more than 3 MiB"

install -m 000 -o nobody /dev/null "$work/absent"
cp "$archive" "$source/tests/data/jpeg/baseline.jpg" "$work/"
"$cli" --quiet --format png -o "$work/expected.png" "$work/baseline.jpg"
hidden=("$source")
[ -z "${VELMORA_SOURCES_DIR:-}" ] || hidden+=("$(realpath "$VELMORA_SOURCES_DIR")")

version=$(tar xzOf "$archive" "$top/PKG-INFO" | sed -n 's/^Version: //p')
cat >"$work/convert.py" <<'EOF_PY'
import sys

import velmora

assert velmora.__version__ == sys.argv[1], velmora.__version__
with open("converted.png", "wb") as out:
    out.write(velmora.convert("baseline.jpg", format="png"))
EOF_PY

# The build's log is shown only when it fails.
if ! (cd "$work" && env -u VELMORA_SOURCES_DIR unshare --user --map-root-user --mount \
  bash -euo pipefail -c '
    python=$1 version=$2
    shift 2
    for folder in "$@"; do mount -t tmpfs tmpfs "$folder"; done
    # The tools of the fetching from Debian and of the x86 SIMD code of
    # libjpeg-turbo, each covered by an empty file of a user outside the
    # namespace that nobody may read or run, so that no search finds them.
    for tool in apt-get apt-cache dpkg-source nasm yasm; do
      for path in $(type -ap "$tool"); do
        mount --bind absent "$path"
        if [ -r "$path" ] || [ -x "$path" ]; then echo "$path is still at hand"; exit 1; fi
      done
    done
    "$python" -m venv venv
    venv/bin/python -m pip install -q ./velmora-*.tar.gz numpy==2.4.6
    venv/bin/python convert.py "$version"
  ' sdist_test "$python" "$version" "${hidden[@]}" >"$work/build.log" 2>&1); then
  cat "$work/build.log" >&2
  fail "the source package does not build, install or convert"
elif ! cmp -s "$work/expected.png" "$work/converted.png"; then
  fail "the package built from the source package converts into other bytes than velmora-cli"
fi
exit $status
