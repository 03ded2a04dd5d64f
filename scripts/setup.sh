#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Only packages that are missing are installed; run as root or with sudo available.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev googletest libbenchmark-dev
  dpkg-dev nasm zlib1g-dev libz-mingw-w64-dev
  g++-mingw-w64-x86-64 wine wine64 fonts-wine xvfb xauth x11-utils locales fonts-ipafont-gothic
  g++-aarch64-linux-gnu qemu-user zlib1g-dev:arm64
  imagemagick xclip librsvg2-bin libxml2-utils
  libjpeg62-turbo libspng0 man-db groff-base unzip
  clang libfuzzer-14-dev libclang-rt-14-dev valgrind
  python3-venv python3-dev openjdk-17-jre-headless
  lintian mmdebstrap
  emscripten chromium
)

missing=()
# The browser page's tests take playwright-core from npm; a machine whose
# node comes from elsewhere has its own npm.
command -v npm >/dev/null 2>&1 || missing+=(npm)
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null 2>&1; then
    echo "setup: run this as root or install sudo; missing: ${missing[*]:-none}" >&2
    [ "${#missing[@]}" -eq 0 ] || exit 1
  fi
  as_root=(sudo)
fi

if [ "${#missing[@]}" -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  # The aarch64 build links Debian's arm64 zlib, installed beside the host's.
  if ! dpkg --print-foreign-architectures | grep -qx arm64; then
    "${as_root[@]}" dpkg --add-architecture arm64
  fi
  "${as_root[@]}" apt-get update -q
  "${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The programs run under Wine with the Japanese locale, as on a Japanese
# Windows (the manifest makes their own code page UTF-8 either way).
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  if [ -f /etc/locale.gen ] && ! grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen; then
    echo 'ja_JP.UTF-8 UTF-8' | "${as_root[@]}" tee -a /etc/locale.gen >/dev/null
  fi
  "${as_root[@]}" locale-gen
fi
