#!/usr/bin/env bash
# Builds the Linux release, orlem-linux-x86_64.tar.gz in this folder (beside
# the Windows zips of scripts/windows.sh): orlem, orlem-capture, orlem.dat,
# timing.dat, README.txt and SHA256SUMS in a folder of their own. SDL2 is
# built from Debian's source as a static library whose video and sound
# drivers load the system's libraries when they run (X11 or Wayland, ALSA or
# PulseAudio), and is linked in with GLEW, so the programs need nothing but
# glibc, libstdc++ and the system's OpenGL. The Debian packages
# orlem_VERSION_amd64.deb and libmox-dev_VERSION_amd64.deb. Then the web release,
# orlem-web.zip: the page (index.html), its script and module, its data and a
# README.txt, a folder any static web host serves as it is. `release.sh
# --windows` builds the Windows zips as well.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/deps.sh release web
[ "${1:-}" = --windows ] && scripts/windows.sh
scripts/build.sh build   # the content: build/demo/orlem.dat and timing.dat

# SDL2 from Debian's source, once: the package's own headers and build
# dependencies are what libsdl2-dev installed.
sdl=$root/build-sdl2
if [ ! -f "$sdl/install/lib/libSDL2.a" ]; then
  rm -rf "$sdl" && mkdir -p "$sdl"
  (cd "$sdl" && apt-get source -qq --download-only libsdl2 >/dev/null)
  tar xzf "$sdl"/libsdl2_*.orig.tar.gz -C "$sdl"
  cmake -S "$(echo "$sdl"/SDL2-*)" -B "$sdl/build" -DCMAKE_BUILD_TYPE=Release -DSDL_SHARED=OFF -DSDL_STATIC=ON \
        -DSDL_TEST=OFF -DCMAKE_POSITION_INDEPENDENT_CODE=ON -DCMAKE_INSTALL_PREFIX="$sdl/install" >/dev/null
  cmake --build "$sdl/build" -j "$(nproc)" >/dev/null
  cmake --install "$sdl/build" >/dev/null
fi

# The demo and the capture tool alone, optimised, SDL2 and GLEW linked in.
scripts/build.sh build-release -DCMAKE_BUILD_TYPE=Release -DMOX_SDL2_STATIC="$sdl/install" \
                 "-DMOX_PARTS=core;sound;engine/platform;engine/video;engine/image;demo;tools;capture"

name=orlem-linux-x86_64
stage=build-release/$name
rm -rf "$stage" "$name.tar.gz"
mkdir -p "$stage"
cp build-release/demo/orlem build-release/demo/orlem-capture build/demo/orlem.dat build/demo/timing.dat "$stage/"
strip "$stage/orlem" "$stage/orlem-capture"
cat > "$stage/README.txt" <<'TEXT'
VELDRIX - ORLEM

Keep the files of this folder together and start ./orlem. It plays full
screen at 1920 x 1080 where the display offers that mode, and elsewhere full
screen at the desktop's own size with the picture scaled. Escape ends it.

  ./orlem --window      plays in a window that fits the desktop
  ./orlem --help        lists the options
  ./orlem-capture orlem.mp4    renders the demo to a video (needs ffmpeg)

It needs a 64-bit Linux of Debian 12's age or newer with OpenGL 2.0 (any
graphics driver of the last fifteen years, or Mesa's software renderer),
X11 or Wayland, and plays its music through ALSA or PulseAudio; without a
sound device it plays on in silence. A slow machine shows the same show
with fewer frames. SHA256SUMS holds the files' checksums
(sha256sum -c SHA256SUMS).
TEXT
(cd "$stage" && sha256sum orlem orlem-capture orlem.dat timing.dat README.txt > SHA256SUMS)
tar czf "$name.tar.gz" -C build-release "$name"
echo "$name.tar.gz: $(du -h "$name.tar.gz" | cut -f1), needs: $(readelf -d "$stage/orlem" | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p' | tr '\n' ' ')"

# The Debian packages, orlem and libmox-dev: the demo and the engine built
# for /usr against the system's libraries, the demo's data in
# /usr/share/orlem with an icon cut from a still of the show.
deb=build-deb
mkdir -p "$deb/data"
cp build/demo/orlem.dat build/demo/timing.dat "$deb/data/"
if [ ! -f "$deb/data/orlem.png" ]; then
  (cd build/demo && env -u DISPLAY -u WAYLAND_DISPLAY SDL_AUDIODRIVER=none \
     ./orlem-capture --stills "$root/$deb/data/stills" --at 75 >/dev/null)
  convert "$deb/data/stills/still-0075.00s.png" -gravity north -crop 780x780+0+10 +repage -resize 256x256 -strip \
          "$deb/data/orlem.png"
fi
scripts/build.sh "$deb" -DCMAKE_BUILD_TYPE=Release -DMOX_PACKAGES=ON -DCMAKE_INSTALL_PREFIX=/usr \
                 -DORLEM_DATADIR=/usr/share/orlem -DORLEM_PACKAGE_DATA="$root/$deb/data" \
                 "-DMOX_PARTS=core;sound;engine/platform;engine/video;engine/image;demo;tools;capture;content;moxpack;timingtool;obj2vxl"
rm -f "$deb"/*.deb orlem_*.deb libmox-dev_*.deb
(cd "$deb" && cpack -G DEB >cpack.log) || { cat "$deb/cpack.log"; exit 1; }
cp "$deb"/orlem_*.deb "$deb"/libmox-dev_*.deb .
for p in orlem_*.deb libmox-dev_*.deb; do echo "$p: $(du -h "$p" | cut -f1), $(dpkg-deb -f "$p" Depends)"; done
if command -v lintian >/dev/null; then lintian --no-tag-display-limit orlem_*.deb libmox-dev_*.deb || true; fi

# The web release: the static folder the page needs, nothing else.
scripts/web.sh
web=build-release/orlem-web
rm -rf "$web" orlem-web.zip
mkdir -p "$web"
cp build-web/demo/orlem.html "$web/index.html"
cp build-web/demo/orlem.js build-web/demo/orlem.wasm build-web/demo/orlem.dat.gz build-web/demo/music.mp3 \
  build-web/demo/music.json build-web/demo/timing.dat "$web/"
cat > "$web/README.txt" <<'TEXT'
VELDRIX - ORLEM, in the browser

Put the files of this folder on any web server, as they are, and open the
folder's address (index.html). Nothing else is needed: no special headers,
no server-side code, no compression (the data is compressed already; a host
that compresses on the fly only saves a little more). Browsers load the
page's module only from a web server, not from a file: address; to try it
on your own machine, run in this folder

    python3 -m http.server 8000

and open http://localhost:8000/. The page downloads about 3.7 MB once (the
browser keeps it for watching again), plays the show with its sound after
a click, and draws the picture at the size the machine keeps pace with.
Escape ends it.
TEXT
(cd build-release && rm -f ../orlem-web.zip && zip -qr -X ../orlem-web.zip orlem-web)
echo "orlem-web.zip: $(du -h orlem-web.zip | cut -f1), $(du -cb "$web"/* | tail -1 | cut -f1) bytes served"
