#!/bin/sh
# The Linux release as a viewer gets it: unpacked into an empty folder away
# from the build tree, its checksums hold; each program needs only glibc,
# libstdc++ and the system's OpenGL (no run path, nothing of the build
# machine's); orlem-capture writes a clip with no display, and orlem plays
# in a window under xvfb until Escape is held, ending with 0.
# Usage: check_release.sh TARBALL
set -u
tarball=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
tests=$(cd "$(dirname "$0")/.." && pwd)
fail() { echo "FAILED: $*"; exit 1; }
[ -f "$tarball" ] || fail "no $tarball (scripts/release.sh builds it)"
work=$(mktemp -d /tmp/orlem-release.XXXXXX)
trap 'rm -rf "$work"' EXIT
tar xzf "$tarball" -C "$work" || fail "it does not unpack"
cd "$work/orlem-linux-x86_64" || fail "no orlem-linux-x86_64 folder in it"
sha256sum -c --quiet SHA256SUMS || fail "a checksum differs"

# What the dynamic linker will look for, and where it finds it here.
system="libc.so.6 libm.so.6 libdl.so.2 libpthread.so.0 librt.so.1 libstdc++.so.6 libgcc_s.so.1
        libOpenGL.so.0 libGLX.so.0 libGL.so.1 libEGL.so.1"
for program in orlem orlem-capture; do
    readelf -d "$program" | grep -qE 'RPATH|RUNPATH' && fail "$program carries a run path"
    for needed in $(readelf -d "$program" | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p'); do
        echo "$system" | grep -qw -- "$needed" || fail "$program needs $needed, which not every system has"
    done
    ldd "$program" | grep -q "not found" && fail "$program: $(ldd "$program" | grep 'not found')"
    ldd "$program" | grep -q "$tests" && fail "$program finds a library in the build tree"
    echo "$program needs: $(readelf -d "$program" | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p' | tr '\n' ' ')"
done

env -u DISPLAY -u WAYLAND_DISPLAY SDL_AUDIODRIVER=no-such-driver ./orlem-capture --frames 60 clip.mp4 \
    > capture.log 2>&1 || { cat capture.log; fail "orlem-capture"; }
frames=$(ffprobe -v error -select_streams v:0 -count_frames -show_entries stream=nb_read_frames -of csv=p=0 clip.mp4)
[ "$frames" = 60 ] || fail "the clip has $frames frames, not 60"

unset WAYLAND_DISPLAY
SDL_AUDIODRIVER=no-such-driver xvfb-run -a -s "-screen 0 1920x1080x24" \
    "$tests/hold_escape.sh" "VELDRIX - ORLEM" 3 orlem.log ./orlem --window
rc=$?
[ $rc -eq 0 ] || { cat orlem.log; fail "orlem ended with $rc"; }
grep -q 'rendering off-screen' orlem.log && fail "orlem made no window"
"$tests/lines_in_order.sh" orlem.log 'Loading resource image: orlem.dat' '\[MOX\] Init OpenGL' 'orlem: the music starts' ||
    fail "orlem's start-up"
echo "the release unpacks, needs only the system's libraries, captures with no display and plays in a window"
