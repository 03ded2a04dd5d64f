#!/usr/bin/env bash
# Makes the Debian packages of a Linux build with CPack, checks them with
# lintian (any error fails; warnings are shown), then installs them with
# apt-get on a clean Debian 12 made by mmdebstrap from Debian's mirror, and
# there converts a picture with the installed converter, into the bytes the
# build's converter writes, and builds programs against the installed
# library with pkg-config and with CMake (tests/c_library_install_test.sh).
# Built with the Windows build, the converter's package must also hold the
# window program's launcher, which refuses without Wine.
# The clean system is made once into CHROOT_CACHE (build/debian/bookworm by
# default) and each run works on a layer over it, which it throws away.
# debian_packages_test.sh BUILD_FOLDER [CHROOT_CACHE]
set -euo pipefail
build=$(realpath "$1")
source=$(cd "$(dirname "$0")/.." && pwd)
cache=$(realpath -m "${2:-$source/build/debian/bookworm}")
# The version of project(), which the packages and the programs carry.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() {
  echo "debian_packages_test: $*" >&2
  status=1
}

# The packages.
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/cpack" >"$work/cpack.log" 2>&1) ||
  { cat "$work/cpack.log" >&2; exit 1; }
mkdir "$work/debs"
mv "$work"/cpack/*.deb "$work/debs/"
for package in velmora libvelmora${version%%.*} libvelmora-dev; do
  [ -f "$work/debs/${package}_${version}_$(dpkg --print-architecture).deb" ] || fail "no package $package $version"
done

echo "debian_packages_test: lintian"
lintian --fail-on error "$work"/debs/*.deb >"$work/lintian.log" 2>&1 || fail "lintian finds errors in the packages"
grep -v '^running with root privileges' "$work/lintian.log" || true

# The clean system: Debian 12 with what building a C program needs, and its
# package lists, so that apt-get finds the packages' dependencies.
if [ ! -d "$cache" ]; then
  echo "debian_packages_test: making Debian 12 in $cache"
  rm -rf "$cache.part"
  mkdir -p "$(dirname "$cache")"
  timeout 1200 mmdebstrap --variant=apt --skip=cleanup/apt/lists \
    --include=ca-certificates,gcc,libc6-dev,pkg-config,cmake,ninja-build,binutils \
    bookworm "$cache.part" http://deb.debian.org/debian >"$work/mmdebstrap.log" 2>&1 ||
    { cat "$work/mmdebstrap.log" >&2; exit 1; }
  mv "$cache.part" "$cache"
fi

# What runs inside: the packages, the picture, the C library's install test
# and its consumer, and the converter's output made by the build.
mkdir -p "$work/copy/tests/data/jpeg" "$work/upper" "$work/overlay" "$work/root"
cp -r "$work/debs" "$work/copy/"
cp "$source/tests/c_library_install_test.sh" "$work/copy/tests/"
cp -r "$source/tests/c_library_consumer" "$work/copy/tests/"
cp "$source/tests/data/jpeg/baseline.jpg" "$source/tests/data/jpeg/progressive.jpg" "$work/copy/tests/data/jpeg/"
"$build/cli/velmora-cli" --quiet --format png -o "$work/copy/expected.png" "$source/tests/data/jpeg/baseline.jpg"
windows=$(sed -n 's/^VELMORA_WINDOWS_BUILD:PATH=//p' "$build/CMakeCache.txt")
cat >"$work/copy/inside.sh" <<EOF
set -eu
cd /velmora-test
status=0
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -q --no-install-recommends ./debs/*.deb >apt.log 2>&1 || { cat apt.log; exit 1; }
[ "\$(velmora-cli --version | head -n 1)" = "velmora-cli version $version" ] || { echo "the converter gives another version"; status=1; }
velmora-cli --quiet --format png -o converted.png tests/data/jpeg/baseline.jpg
cmp -s expected.png converted.png || { echo "the installed converter writes other bytes"; status=1; }
bash tests/c_library_install_test.sh --installed /usr "$version" || status=1
if [ -n "$windows" ]; then
  for file in /usr/bin/velmora /usr/lib/velmora/velmora.exe /usr/share/applications/velmora.desktop; do
    [ -f "\$file" ] || { echo "no \$file"; status=1; }
  done
  if message=\$(DISPLAY=:0 velmora 2>&1); then echo "the launcher started without Wine"; status=1; fi
  case "\$message" in *"Wine is not installed"*) ;; *) echo "the launcher said: \$message"; status=1 ;; esac
fi
exit \$status
EOF

echo "debian_packages_test: installing on a clean Debian 12"
# A mount namespace of its own: the layer, /proc and /dev go when it ends.
unshare --mount bash -euo pipefail -c '
  work=$1 cache=$2
  mount -t overlay overlay -o "lowerdir=$cache,upperdir=$work/upper,workdir=$work/overlay" "$work/root"
  mount -t proc proc "$work/root/proc"
  mount --rbind /dev "$work/root/dev"
  cp -L /etc/resolv.conf "$work/root/etc/resolv.conf"
  cp -r "$work/copy" "$work/root/velmora-test"
  timeout 900 chroot "$work/root" /bin/sh /velmora-test/inside.sh
' debian_packages_test "$work" "$cache" || fail "the packages do not install or work on a clean Debian 12"
exit $status
