#!/usr/bin/env bash
# Builds the demo for the browser into build-web/demo/: orlem.html,
# orlem.js and orlem.wasm, and the data the page fetches (scripts/webdata.py:
# orlem.dat.gz, music.mp3, music.json, timing.dat, made from the native
# build's orlem.dat and timing.dat in build/, built first when missing).
# Installs Emscripten first when it is missing. Serve the folder and open
# orlem.html:
#   (cd build-web/demo && python3 -m http.server 8000)   then http://localhost:8000/orlem.html
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh web
# Debian's Emscripten finds its optimizer's parser only here.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}

if [ ! -f build/demo/orlem.dat ] || [ ! -f build/demo/timing.dat ]; then
  cmake -S . -B build >/dev/null
  cmake --build build -j "$(nproc)" --target demo_content
fi
emcmake cmake -S . -B build-web -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-web -j "$(nproc)" --target orlem
rm -f build-web/demo/orlem.data  # an older build's preloaded data
python3 scripts/webdata.py build/demo build-web/demo
ls -l build-web/demo/orlem.html build-web/demo/orlem.js build-web/demo/orlem.wasm build-web/demo/orlem.dat.gz \
  build-web/demo/music.mp3 build-web/demo/music.json build-web/demo/timing.dat
