#!/bin/sh
# Runs the example program in a real X window under xvfb-run, holds Escape
# for 0.3 s through the X server and expects the example to end with 0.
# Usage: example_xvfb.sh EXAMPLE
set -u
example=$1
command -v xvfb-run >/dev/null && command -v xdotool >/dev/null || {
    echo "xvfb-run or xdotool missing (scripts/deps.sh installs them)"; exit 1; }
inner='
"$0" --frames 100000 >example.log 2>&1 &
pid=$!
xdotool search --sync --name "MOX example" >/dev/null
sleep 0.5
xdotool keydown Escape; sleep 0.3; xdotool keyup Escape
wait $pid
'
unset WAYLAND_DISPLAY
# The X11 GL driver modules are unloaded when the display closes, which
# leaves their own allocations unreachable; leaks of the engine are checked
# by the off-screen tests.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"
xvfb-run -a sh -c "$inner" "$example"
rc=$?
cat example.log
[ $rc -eq 0 ] && grep -q 'ended by Escape' example.log && ! grep -q 'no display' example.log
