#!/usr/bin/env bash
# make web: the engine compiled to WebAssembly (emscripten) and the page,
# assembled into one static folder, build/site. Installs emscripten, node
# and npm with apt-get when they are missing, and the page's libraries with
# npm ci when node_modules is.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
web=$root/web
site=$root/build/site

need=()
command -v em++ >/dev/null 2>&1 || need+=(emscripten)
command -v node >/dev/null 2>&1 || need+=(nodejs)
command -v npm >/dev/null 2>&1 || need+=(npm)
[ ${#need[@]} -eq 0 ] || bash "$root/.ci/install-deps" "${need[@]}"
[ -d "$web/node_modules" ] || (cd "$web" && npm ci --no-audit --no-fund)

# Debian's emscripten finds its JavaScript tools through Debian's node path.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
emcmake cmake -S "$web/engine" -B "$root/build/web-engine" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build/web-engine" -j"${JOBS:-2}"

rm -rf "$site"
mkdir -p "$site/engine" "$site/lib/chess.js" "$site/lib/cm-chessboard"
cp "$web/index.html" "$web/style.css" "$web/manifest.webmanifest" "$site/"
cp -r "$web/icons" "$site/icons"
cp -r "$web/js" "$site/js"
cp "$root/build/web-engine/gyre.js" "$root/build/web-engine/gyre.wasm" "$site/engine/"
cp "$root/LICENSE" "$site/LICENSE.txt"
# node (the tests) then reads the site's scripts as modules, as browsers do
echo '{ "type": "module" }' >"$site/package.json"
modules=$web/node_modules
cp "$modules/chess.js/dist/esm/chess.js" "$modules/chess.js/LICENSE" "$site/lib/chess.js/"
board=$modules/cm-chessboard
cp "$board/LICENSE" "$site/lib/cm-chessboard/"
# The parts of the board the page uses: the standard pieces (CC BY-SA 3.0;
# the other set is non-commercial), the markers, the arrows and the promotion dialog.
(cd "$board" && cp --parents src/Chessboard.js src/{model,view,lib}/*.js \
    src/extensions/{markers/Markers,arrows/Arrows,promotion-dialog/PromotionDialog}.js assets/chessboard.css \
    assets/pieces/standard.svg assets/extensions/{markers/markers,arrows/arrows}.{css,svg} \
    assets/extensions/promotion-dialog/promotion-dialog.css "$site/lib/cm-chessboard/")
# last: the service worker lists every file of the site
node "$web/precache.js" "$site"
echo "web: the site is in $site ($(du -sk "$site" | cut -f1) KiB; gyre.wasm $(stat -c %s "$site/engine/gyre.wasm") bytes)"
