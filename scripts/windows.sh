#!/usr/bin/env bash
# Builds the Windows release from the same sources, cross-compiled with
# mingw-w64: 32-bit (build-win32) and 64-bit (build-win64), each packed with
# the data image and sync table of the Linux build into orlem-win32.zip and
# orlem-win64.zip in the repository's folder. Installs what is missing
# first. The 64-bit tree also holds the checks that run under Wine
# (cd build-win64 && ctest); the 32-bit build cannot run on these machines.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/deps.sh windows
scripts/build.sh build   # the content: build/demo/orlem.dat and timing.dat

# What the Windows build takes: the engine, the demo and the tests that
# need no SDL; the packer's library for the file tests.
parts="core;sound;engine/platform;engine/video;engine/image;demo;tests;tools;moxpack;windows"
for target in i686:32 x86_64:64; do
  arch=${target%%:*} bits=${target##*:}
  dir=build-win$bits
  cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" \
        -DCMAKE_BUILD_TYPE=Release "-DMOX_PARTS=$parts" -DMOX_LINUX_BUILD="$root/build" >/dev/null
  cmake --build "$dir" -j "$(nproc)"
  "$arch-w64-mingw32-strip" "$dir/demo/orlem.exe"

  release=$dir/orlem-win$bits
  rm -rf "$release" "orlem-win$bits.zip"
  mkdir -p "$release"
  cp "$dir/demo/orlem.exe" build/demo/orlem.dat build/demo/timing.dat "$release/"
  cat > "$release/README.txt" <<'TEXT'
VELDRIX - ORLEM

Keep orlem.exe, orlem.dat and timing.dat together in one folder and start
orlem.exe. It plays full screen at 1920 x 1080 where the display offers that
mode, and elsewhere full screen at the desktop's own size with the picture
scaled. Escape ends it.

  orlem.exe --window    plays in a window that fits the desktop
  orlem.exe --help      lists the options

It needs OpenGL 2.0 with frame-buffer objects (any graphics card or driver
of the last fifteen years) and plays its music through the default sound
device; without one it plays on in silence.
TEXT
  (cd "$release" && zip -q -X "$root/orlem-win$bits.zip" orlem.exe orlem.dat timing.dat README.txt)
  echo "orlem-win$bits.zip: $(file -b "$release/orlem.exe" | cut -d, -f1-2)"
done
