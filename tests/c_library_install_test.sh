#!/usr/bin/env bash
# Installs the Linux build into a temporary prefix and builds programs
# against the C library there as its users would: a strict C99 program with
# pkg-config, shared and static, and a CMake project with
# find_package(velmora CONFIG), shared and static. Each converts a JPEG
# from memory to memory, through callbacks and from file to file, into the
# bytes velmora-cli writes. The shared library must export only velmora_*
# and carry the SONAME of the project's major version.
# FLAGS, when given, go to the compiler and linker of every program: those
# of a sanitizer the build was made with.
# With --installed PREFIX instead of BUILD_FOLDER, the library is taken as
# installed there already (by the Debian packages, in /usr).
# c_library_install_test.sh BUILD_FOLDER|--installed PREFIX VERSION [FLAGS]
set -euo pipefail
installed=
if [ "$1" = --installed ]; then
  installed=$2
  shift
fi
build=$1
version=$2
read -r -a flags <<<"${3:-}"
major=${version%%.*}
source=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=${installed:-$work/prefix}
status=0
fail() {
  echo "c_library_install_test: $*" >&2
  status=1
}

# The header, archive, shared library and CMake package are proven present
# by the programs below building and running.
[ -n "$installed" ] || cmake --install "$build" --prefix "$prefix" >/dev/null
libdir=$(cd "$(dirname "$(find "$prefix" -name velmora.pc)")/.." && pwd)
soname=$(objdump -p "$libdir/libvelmora.so" | awk '$1 == "SONAME" { print $2 }')
[ "$soname" = "libvelmora.so.$major" ] || fail "the SONAME is '$soname', not libvelmora.so.$major"

# Every symbol the shared library defines for others is one of velmora.h.
exported=$(nm -D --defined-only "$libdir/libvelmora.so" | awk '{ print $NF }')
others=$(grep -v '^velmora_' <<<"$exported" || true)
[ -z "$others" ] || fail "the shared library exports more than velmora_*: $(tr '\n' ' ' <<<"$others")"
for function in $(grep -o 'velmora_[a-z_]*(' "$prefix/include/velmora.h" | tr -d '(' | sort -u); do
  grep -qx "$function" <<<"$exported" || fail "the shared library does not export $function"
done

# velmora-cli's output for each format, which every program must give.
cp "$source/tests/data/jpeg/progressive.jpg" "$work/photo.jpg"
formats="bmp png svg"
for format in $formats; do
  "$prefix/bin/velmora-cli" --quiet --format "$format" -o "$work/expected.$format" "$work/photo.jpg"
done
# check NAME PROGRAM [ENVIRONMENT...]: runs the program for each format and
# compares its three outputs with velmora-cli's.
check() {
  local name=$1 program=$2
  shift 2
  for format in $formats; do
    local output=$work/$name-$format
    env "$@" "$program" "$work/photo.jpg" "$output" "$format" >"$work/$name.out" ||
      { fail "$name ($format) failed"; continue; }
    grep -qx "velmora $version" "$work/$name.out" || fail "$name gives another version"
    for door in memory stream "file.$format"; do
      cmp -s "$work/expected.$format" "$output.$door" || fail "$name ($format, $door) differs from velmora-cli"
    done
  done
}

export PKG_CONFIG_PATH=$libdir/pkgconfig
consumer=$source/tests/c_library_consumer
cc=${CC:-cc}
strict=(-std=c99 -Wall -Wextra -pedantic -Werror "${flags[@]}")
# shellcheck disable=SC2046 # pkg-config gives separate words
"$cc" "${strict[@]}" "$consumer/consumer.c" $(pkg-config --cflags --libs velmora) -o "$work/pkg-config-shared" ||
  fail "the C program does not build with pkg-config"
check pkg-config-shared "$work/pkg-config-shared" LD_LIBRARY_PATH="$libdir"
# With both installed, the static archive is named; pkg-config --static
# gives what it needs of the system.
static_libs=$(pkg-config --static --libs velmora)
# shellcheck disable=SC2046,SC2086
"$cc" "${strict[@]}" "$consumer/consumer.c" $(pkg-config --cflags velmora) ${static_libs/-lvelmora/-l:libvelmora.a} \
  -o "$work/pkg-config-static" || fail "the C program does not build with pkg-config --static"
if ldd "$work/pkg-config-static" | grep -q libvelmora; then fail "the static program loads libvelmora"; fi
check pkg-config-static "$work/pkg-config-static"

for static in OFF ON; do
  kind=static-$static
  if cmake -S "$consumer" -B "$work/cmake-$kind" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" -DCONSUMER_STATIC=$static \
       -DCMAKE_C_FLAGS="${flags[*]}" -DCMAKE_EXE_LINKER_FLAGS="${flags[*]}" \
       >"$work/cmake-$kind.log" 2>&1 && cmake --build "$work/cmake-$kind" >>"$work/cmake-$kind.log" 2>&1; then
    check "cmake-$kind" "$work/cmake-$kind/consumer"
  else
    cat "$work/cmake-$kind.log" >&2
    fail "the CMake project does not build ($kind)"
  fi
done
exit $status
