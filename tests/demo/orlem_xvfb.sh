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
tests=$(cd "$(dirname "$0")/.." && pwd)
command -v xvfb-run >/dev/null && command -v xdotool >/dev/null || {
    echo "xvfb-run or xdotool missing (scripts/deps.sh installs them)"; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/orlem-xvfb.XXXXXX")
trap 'rm -rf "$work"' EXIT
cp "$demodir/orlem.dat" "$demodir/timing.dat" "$work/" || exit 1
cp "$work/timing.dat" "$work/timing.before"
cd "$work" || exit 1
unset WAYLAND_DISPLAY
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"  # the X11 GL driver's own
xvfb-run -a -s "-screen 0 ${screen}x24" "$tests/hold_escape.sh" "VELDRIX - ORLEM" 3 orlem.log "$orlem" "$@"
rc=$?
cat orlem.log
fail() { echo "FAILED: $*"; exit 1; }
[ $rc -eq 0 ] || fail "exit code $rc"
! grep -q 'rendering off-screen' orlem.log || fail "no window was made"
"$tests/lines_in_order.sh" orlem.log 'Loading resource image: orlem.dat' '\[MOX\] Init Glew' 'Ready for GLSL' \
    '\[MOX\] Init OpenGL' '\[MOX\] Init Framebuffer: 1920,1080' '- load mesh' 'numvox: ' \
    'MOX_LoadFont - Font Added' 'audiodriver inited' 'Loading sound music.wav' || fail "start-up lines"
cmp -s timing.dat timing.before || fail "timing.dat changed"
echo "orlem ended by Escape with 0; timing.dat unchanged"
