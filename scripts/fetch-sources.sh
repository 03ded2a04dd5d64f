#!/usr/bin/env bash
# Fetches the Debian source packages of the image libraries (libjpeg-turbo,
# libspng) into DEST/<package>, unpacked with Debian's patches applied, from
# the release and mirror this machine's apt already uses. Every build preset
# compiles these same sources, so the pixels are the same in each of them.
#
# apt works here with its own list, state and cache under DEST, so the
# machine's apt state is never changed. A package already fetched is kept;
# several builds may run this at once (they take turns).
#
#   scripts/fetch-sources.sh DEST
set -euo pipefail

dest=$(realpath -m "$1")
packages=(libjpeg-turbo libspng)
mkdir -p "$dest"
exec 9>"$dest/.lock"
flock 9

missing=()
for package in "${packages[@]}"; do
  [ -f "$dest/$package/.fetched" ] || missing+=("$package")
done
[ "${#missing[@]}" -gt 0 ] || exit 0

# The machine's Debian entries (one-line and deb822 forms), as deb-src lines.
apt_dir=$dest/apt
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
  echo "fetch-sources: no Debian entry in /etc/apt/sources.list or /etc/apt/sources.list.d" >&2
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
for package in "${missing[@]}"; do
  work=$dest/.fetching-$package
  rm -rf "$work" "${dest:?}/$package"
  mkdir -p "$work"
  (cd "$work" && apt-get "${apt_options[@]}" source -qq "$package")
  unpacked=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name "$package-*")
  mv "$unpacked" "$dest/$package"
  basename "$unpacked" >"$dest/$package/.fetched"
  rm -rf "$work"
done
