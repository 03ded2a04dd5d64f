#!/usr/bin/env bash
# The pinned fetch, offline, from copies of the files already downloaded into
# SOURCES_DIR: intact, they unpack into the very trees built; with one byte
# changed, the run fails naming the file and both sums, unpacks nothing and
# removes that file. A stand-in apt-get shows that nothing is downloaded.
# fetch_sources_test.sh SOURCES_DIR
set -euo pipefail
sources=$1
script=$(cd "$(dirname "$0")/.." && pwd)/scripts/fetch-sources.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() {
  echo "fetch_sources_test: $*" >&2
  status=1
}

mkdir "$work/bin"
for tool in apt-get apt-cache; do
  printf '#!/bin/sh\necho "%s was called" >&2\nexit 1\n' "$tool" >"$work/bin/$tool"
  chmod +x "$work/bin/$tool"
done
export PATH=$work/bin:$PATH
for run in intact changed; do
  mkdir "$work/$run"
  cp -r "$sources/downloads" "$work/$run/"
done

bash "$script" "$work/intact" 2>"$work/intact.log" || fail "the intact files were refused: $(cat "$work/intact.log")"
for package in libjpeg-turbo libspng; do
  diff -r "$sources/$package" "$work/intact/$package" >/dev/null || fail "$package unpacks otherwise than the tree built"
done

tarballs=("$work/changed/downloads/libspng_"*/*.orig.tar.*)
file=${tarballs[0]}
pinned=$(sha256sum "$file" | cut -d' ' -f1)
printf '\x00' | dd of="$file" bs=1 seek=1000 conv=notrunc status=none
changed=$(sha256sum "$file" | cut -d' ' -f1)
if bash "$script" "$work/changed" 2>"$work/changed.log"; then
  fail "a changed file was accepted"
fi
for expected in "$(basename "$file")" "$pinned" "$changed"; do
  grep -qF -- "$expected" "$work/changed.log" || fail "the refusal does not name $expected: $(cat "$work/changed.log")"
done
! grep -q "was called" "$work/changed.log" || fail "the check downloaded: $(cat "$work/changed.log")"
leftovers=$(find "$work/changed" -mindepth 1 -maxdepth 1 ! -name downloads ! -name .lock -printf '%f ')
[ -z "$leftovers" ] || fail "the refused run left: $leftovers"
[ ! -e "$file" ] || fail "the changed file is kept, to be refused again"
exit $status
