#!/usr/bin/env bash
# Fetches the Debian source packages of the image libraries (libjpeg-turbo,
# libspng, and zlib for the WebAssembly build), each at the version pinned below, and unpacks them with Debian's
# patches applied into DEST/<package>. Every build preset compiles these same
# sources, so the pixels are the same in each of them.
#
# Every file of a source package must have the SHA-256 pinned for it here:
# the files are checked in DEST/downloads, and nothing is unpacked unless all
# of them match. Files already there are not downloaded again; they are taken
# with apt-get, through an apt list, state and cache of its own under
# DEST/apt, from the Debian mirror this machine's apt uses, whose state is
# never changed. A package already unpacked at its pinned version is kept;
# several builds may run this at once (they take turns).
#
#   scripts/fetch-sources.sh DEST
#
# To move to another version: change its `pin` line and remove its `sum`
# lines, then run this; it downloads the new files and prints their `sum`
# lines, to be reviewed and put under the pin.
set -euo pipefail

packages=()
declare -A version files pinned_sum
pin() {
  packages+=("$1")
  version[$1]=$2
}
sum() {
  local package=${packages[-1]}
  files[$package]+=" $2"
  pinned_sum[$2]=$1
}

pin libjpeg-turbo 1:2.1.5-2
sum d718ead0dfbcbc8523665c02a7f7152e31039ded641d022868722623bb3b486d libjpeg-turbo_2.1.5-2.dsc
sum 254f3642b04e309fee775123133c6464181addc150499561020312ec61c1bf7c libjpeg-turbo_2.1.5.orig.tar.gz
sum cdb2433c2f7101345c1ffa14efb943787c675b86354691a32490845fe4bc9237 libjpeg-turbo_2.1.5-2.debian.tar.xz

pin libspng 0.7.3-3
sum 05f324accbf40d02f4d284047b9fb792e03481ede86c1425af01e4656c475028 libspng_0.7.3-3.dsc
sum a50cadbe808ffda1a7fab17d145f52a23b163f34b3eb3696c7ecb5a52340fc1d libspng_0.7.3.orig.tar.gz
sum d24b992ef0839350dda99083a0c62a0bb1e403800ba9e9dfcf57754ba297d187 libspng_0.7.3-3.debian.tar.xz

# The release of zlib1g-dev that the Linux build links.
pin zlib 1:1.2.13.dfsg-1
sum 3fa1e6b2fc525062aa88207dda52fed8e045373c809d362fe8a2bfbf7cf515a8 zlib_1.2.13.dfsg-1.dsc
sum 71feb7947e3c00ef125f83b79a4e529bde31171e5babe48b391f06758d1ab0a1 zlib_1.2.13.dfsg.orig.tar.bz2
sum f66cf3d4f2d7defcd4d1fd1fb0a11ee39f1e01b42ec7d059c9dc5c1695133c44 zlib_1.2.13.dfsg-1.debian.tar.xz

say() {
  echo "fetch-sources: $*" >&2
}

dest=$(realpath -m "$1")
mkdir -p "$dest"
exec 9>"$dest/.lock"
flock 9
rm -rf "$dest"/.unpacking-*

missing=()
for package in "${packages[@]}"; do
  [ "$(cat "$dest/$package/.fetched" 2>/dev/null)" = "${version[$package]}" ] || missing+=("$package")
done
[ "${#missing[@]}" -gt 0 ] || exit 0

# Where the files of a package's pinned version are kept. Debian's file
# names leave out the epoch ("1:").
download_folder() {
  local v=${version[$1]}
  echo "$dest/downloads/$1_${v#*:}"
}

apt_options=()
# An apt of our own, with the machine's Debian entries (one-line and deb822
# forms) as deb-src lines; set up on the first download only.
set_up_apt() {
  local apt_dir=$dest/apt
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/parts"
  {
    grep -hE '^\s*deb\s' /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
      grep -E 'debian(-security)?/?\s' | sed -E 's/^\s*deb\s/deb-src /' || true
    for file in /etc/apt/sources.list.d/*.sources; do
      [ -f "$file" ] || continue
      awk '
        function flush() {
          if (types ~ /(^| )deb( |$)/ && uris ~ /debian(-security)?\/?$/) {
            n = split(suites, s, " ")
            for (i = 1; i <= n; ++i) print "deb-src " keyring uris " " s[i] " " components
          }
          types = uris = suites = components = keyring = ""
        }
        /^[[:space:]]*$/ { flush(); next }
        /^Types:/ { sub(/^Types:[[:space:]]*/, ""); types = $0 }
        /^URIs:/ { sub(/^URIs:[[:space:]]*/, ""); uris = $0 }
        /^Suites:/ { sub(/^Suites:[[:space:]]*/, ""); suites = $0 }
        /^Components:/ { sub(/^Components:[[:space:]]*/, ""); components = $0 }
        /^Signed-By:/ { sub(/^Signed-By:[[:space:]]*/, ""); keyring = "[signed-by=" $0 "] " }
        END { flush() }
      ' "$file"
    done
  } >"$apt_dir/sources.list"
  if ! grep -q . "$apt_dir/sources.list"; then
    say "no Debian entry in /etc/apt/sources.list or /etc/apt/sources.list.d"
    exit 1
  fi
  apt_options=(
    -o "Dir::Etc::SourceList=$apt_dir/sources.list"
    -o "Dir::Etc::SourceParts=$apt_dir/parts"
    -o "Dir::State::Lists=$apt_dir/lists"
    -o "Dir::Cache=$apt_dir/cache"
    -o "APT::Sandbox::User=root"
  )
  apt-get "${apt_options[@]}" update -qq
}

download() {
  local package=$1 folder
  folder=$(download_folder "$package")
  [ "${#apt_options[@]}" -gt 0 ] || set_up_apt
  local available
  available=$(apt-cache "${apt_options[@]}" showsrc --only-source "$package" 2>/dev/null |
    sed -n 's/^Version: //p' | sort -u | paste -sd ' ')
  if ! grep -qF " ${version[$package]} " <<<" $available "; then
    say "$package ${version[$package]} is not available from the mirror in $dest/apt/sources.list" \
      "(it has: ${available:-no version of it}); the pin in scripts/fetch-sources.sh names the version to build"
    exit 1
  fi
  mkdir -p "$folder"
  (cd "$folder" && apt-get "${apt_options[@]}" source --download-only -qq "$package=${version[$package]}")
}

# Checks every file of the package against its pin. A file whose sum differs
# is removed, so that the next run downloads it again.
verify() {
  local package=$1 folder file actual good=0
  folder=$(download_folder "$package")
  if [ -z "${files[$package]:-}" ]; then
    say "no SHA-256 is pinned for $package ${version[$package]}; review these files and put their lines" \
      "under its pin in scripts/fetch-sources.sh:"
    (cd "$folder" && sha256sum -- *) | sed 's/^/sum /; s/  / /' >&2
    return 1
  fi
  for file in ${files[$package]}; do
    actual=$(sha256sum "$folder/$file" | cut -d' ' -f1)
    if [ "$actual" != "${pinned_sum[$file]}" ]; then
      say "$file in $folder has the SHA-256"
      say "  $actual"
      say "where scripts/fetch-sources.sh pins"
      say "  ${pinned_sum[$file]}"
      say "It is removed and nothing is unpacked; the next run downloads it again."
      rm -f "$folder/$file"
      good=1
    fi
  done
  return $good
}

# True when a pinned file is not downloaded yet, or none is pinned.
lacks_files() {
  local folder file
  folder=$(download_folder "$1")
  [ -n "${files[$1]:-}" ] || return 0
  for file in ${files[$1]}; do
    [ -f "$folder/$file" ] || return 0
  done
  return 1
}

for package in "${missing[@]}"; do
  if lacks_files "$package"; then
    download "$package"
  fi
done
status=0
for package in "${missing[@]}"; do
  verify "$package" || status=1
done
[ $status -eq 0 ] || exit 1

# Unpacked beside the old tree and put in its place whole, marked with the
# version it is, so that an interrupted run leaves nothing taken as fetched.
for package in "${missing[@]}"; do
  work=$dest/.unpacking-$package
  dsc=$(download_folder "$package")/$(tr ' ' '\n' <<<"${files[$package]}" | grep '\.dsc$')
  # The sums above already checked every file the .dsc names; there is no
  # keyring here for its signature.
  mkdir -p "$work"
  dpkg-source --no-check -x "$dsc" "$work/$package" >/dev/null
  echo "${version[$package]}" >"$work/$package/.fetched"
  rm -rf "${dest:?}/$package"
  mv "$work/$package" "$dest/$package"
  rm -rf "$work"
done
