#!/usr/bin/env bash
# Builds the demo for the browser into build-web/: orlem.html, orlem.js,
# orlem.wasm and orlem.data (orlem.dat and timing.dat, made by the native
# build in build/ when they are missing there). Installs Emscripten first
# when it is missing. Serve the folder and open orlem.html:
#   (cd build-web && python3 -m http.server 8000)   then http://localhost:8000/orlem.html
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh web
# Debian's Emscripten finds its optimizer's parser only here.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}

if [ ! -f build/demo/orlem.dat ] || [ ! -f build/demo/timing.dat ]; then
  cmake -S . -B build >/dev/null
  cmake --build build -j "$(nproc)" --target demo_content
fi
emcmake cmake -S . -B build-web -DCMAKE_BUILD_TYPE=Release -DMOX_WEB_DATA="$PWD/build/demo" >/dev/null
cmake --build build-web -j "$(nproc)" --target orlem
ls -l build-web/demo/orlem.html build-web/demo/orlem.js build-web/demo/orlem.wasm build-web/demo/orlem.data
