#!/bin/sh
# Plays the real orlem in a real X window under xvfb-run, from a folder
# holding copies of the built orlem.dat and timing.dat, holds Escape through
# the X server a few seconds in, and expects: exit code 0, the start-up log
# lines in their order, timing.dat written back unchanged.
# Usage: orlem_xvfb.sh ORLEM DEMODIR SCREEN [OPTION...]
#   SCREEN: the virtual screen, e.g. 1920x1080 (the demo's own mode)
set -u
orlem=$1 demodir=$2 screen=$3
shift 3
command -v xvfb-run >/dev/null && command -v xdotool >/dev/null || {
    echo "xvfb-run or xdotool missing (scripts/deps.sh installs them)"; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/orlem-xvfb.XXXXXX")
trap 'rm -rf "$work"' EXIT
cp "$demodir/orlem.dat" "$demodir/timing.dat" "$work/" || exit 1
cp "$work/timing.dat" "$work/timing.before"
cd "$work" || exit 1
inner='
"$0" "$@" >orlem.log 2>&1 &
pid=$!
timeout 60 xdotool search --sync --name "VELDRIX - ORLEM" >/dev/null
sleep 3
xdotool keydown Escape
i=0
while kill -0 $pid 2>/dev/null && [ $i -lt 600 ]; do sleep 0.1; i=$((i + 1)); done
xdotool keyup Escape
kill $pid 2>/dev/null
wait $pid
'
unset WAYLAND_DISPLAY
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"  # the X11 GL driver's own
xvfb-run -a -s "-screen 0 ${screen}x24" sh -c "$inner" "$orlem" "$@"
rc=$?
cat orlem.log
fail() { echo "FAILED: $*"; exit 1; }
[ $rc -eq 0 ] || fail "exit code $rc"
! grep -q 'rendering off-screen' orlem.log || fail "no window was made"
last=0
for line in 'Loading resource image: orlem.dat' '\[MOX\] Init Glew' 'Ready for GLSL' '\[MOX\] Init OpenGL' \
            '\[MOX\] Init Framebuffer: 1920,1080' '- load mesh' 'numvox: ' 'MOX_LoadFont - Font Added' \
            'audiodriver inited' 'Loading sound music.wav'; do
    at=$(grep -n -m1 -e "$line" orlem.log | cut -d: -f1)
    [ -n "$at" ] || fail "missing: $line"
    [ "$at" -gt "$last" ] || fail "out of order: $line"
    last=$at
done
cmp -s timing.dat timing.before || fail "timing.dat changed"
echo "orlem ended by Escape with 0; timing.dat unchanged"
