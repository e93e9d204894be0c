#!/bin/sh
# The engine as other demos use it: installed into a prefix of its own, with
# no path of the build or source tree inside; the starter demo copied out
# of the tree and built against that prefix alone (find_package(MOX)),
# its data made by its own build steps; its capture program writing 60
# frames with no display, a video of H.264 and AAC with the title on it;
# and a ten-line program built with pkg-config's flags for mox.
# Usage: check_install.sh BUILDDIR SOURCEDIR
set -u
build=$(cd "$1" && pwd) source=$(cd "$2" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/mox-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*"; exit 1; }

cmake --install "$build" --prefix "$work/prefix" >"$work/install.log" 2>&1 || { cat "$work/install.log"; fail "install"; }
found=$(grep -rl -e "$build" -e "$source" "$work/prefix")
[ -z "$found" ] || fail "the install names the build or source tree: $found"
for f in include/mox/engine/video/mox.h include/mox/tools/capture/capture.h lib/libmox_core.a lib/libmox_capture.a \
         lib/cmake/MOX/MOXConfig.cmake lib/pkgconfig/mox.pc bin/moxpack bin/timingtool bin/obj2vxl; do
    [ -f "$work/prefix/$f" ] || fail "$f not installed"
done
[ ! -e "$work/prefix/include/mox/engine/platform/backend.h" ] || fail "a header between the engine's modules was installed"

cp -r "$source/examples/starter" "$work/starter"
cd "$work/starter" || exit 1
cmake -S . -B build -DCMAKE_PREFIX_PATH="$work/prefix" >configure.log 2>&1 || { cat configure.log; fail "configure"; }
! grep -q "$source" build/CMakeCache.txt || fail "the starter's build reaches into the source tree"
cmake --build build -j 2 >build.log 2>&1 || { tail -30 build.log; fail "build"; }
cd build || exit 1
for f in starter starter-capture starter.dat timing.dat; do [ -f "$f" ] || fail "$f was not made"; done
env -u DISPLAY -u WAYLAND_DISPLAY SDL_AUDIODRIVER=none ./starter-capture starter.mp4 --frames 60 >capture.log 2>&1 ||
    { tail -20 capture.log; fail "starter-capture"; }
streams=$(ffprobe -v error -show_entries stream=codec_name,width,height -of csv=p=0 starter.mp4 | tr '\n' ' ')
echo "starter.mp4: $streams"
[ "$streams" = "h264,1280,720 aac " ] || fail "the video's streams are $streams"
./starter-capture --stills stills --at 0.9 >/dev/null 2>&1 || fail "the still"
# The title, 544 x 72 at the bottom centre: its white letters over a dark
# picture; the same size just above it is darker.
title=$(convert stills/still-0000.90s.png -crop 544x72+368+588 -colorspace gray -format '%[fx:mean]' info:)
above=$(convert stills/still-0000.90s.png -crop 544x72+368+80 -colorspace gray -format '%[fx:mean]' info:)
echo "the title's place: mean $title; above it: $above"
awk -v t="$title" -v a="$above" 'BEGIN { exit !(t > 0.15 && t > 3 * a) }' || fail "no title on the frame"

cd "$work" || exit 1
cat > hello.cpp <<'CODE'
// Ten lines on the engine: a window, a black frame, gone.
#include "engine/video/mox.h"
int coremain(int, char**)
{
    MOX_InitVideo(64, 48, 0);
    MOX_ClearFrameBuffer(0);
    MOX_SwapBuffers();
    return 0;
}
CODE
flags=$(PKG_CONFIG_PATH="$work/prefix/lib/pkgconfig" pkg-config --cflags --libs mox) || fail "pkg-config mox"
g++ -std=c++17 hello.cpp -o hello $flags || fail "hello.cpp with pkg-config's flags: $flags"
env -u DISPLAY -u WAYLAND_DISPLAY ./hello >hello.log 2>&1 || { cat hello.log; fail "hello ran"; }
echo "installed, the starter built and captured outside the tree, and a program built with pkg-config"
