#!/usr/bin/env bash
# Builds the browser page into build/web, a folder of static files any web
# server can serve, and serves it on http://localhost:8080/ (PORT chooses
# another port). `web.sh build` only builds.
#
# The engine is compiled by Debian's Emscripten (scripts/setup.sh installs
# it) with the image libraries' sources that scripts/fetch-sources.sh
# fetches, into build/web-wasm.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

# Debian's Emscripten runs its JavaScript tools with node, whose own
# modules (acorn) Debian keeps here. Its system libraries come built, in a
# read-only cache that every user can use as it is.
export NODE_PATH=/usr/share/nodejs
sources=${VELMORA_SOURCES_DIR:-$root/build/sources}
emcmake cmake -S web -B build/web-wasm -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELMORA_SOURCES_DIR="$sources" >/dev/null
cmake --build build/web-wasm -j 2

site=build/web
staging=build/web.new
rm -rf "$staging"
mkdir -p "$staging/src"
cp web/index.html web/style.css web/manifest.webmanifest web/icon.svg web/sw.js "$staging/"
cp web/src/*.js build/web-wasm/velmora{,-plain}.{js,wasm} "$staging/src/"
# The page's lists, from the engine just built.
node web/make-choices.js build/web-wasm/velmora.js include/velmora.h "$staging/src/choices.js"
digest=$(cd "$staging" && find . -type f ! -name sw.js -print0 | sort -z | xargs -0 sha256sum | sha256sum | cut -c1-16)
sed -i "s/SITE_DIGEST/$digest/" "$staging/sw.js"
rm -rf "$site"
mv "$staging" "$site"
echo "web: built $site"

[ "${1:-}" = build ] && exit 0
port=${PORT:-8080}
echo "web: serving $site on http://localhost:$port/ (Ctrl+C stops)"
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory "$site"
