#!/bin/sh
# Runs the example program in a real X window under xvfb-run, holds Escape
# through the X server until the example ends (it polls once a frame) and
# expects it to end with 0.
# Usage: example_xvfb.sh EXAMPLE
set -u
example=$1
command -v xvfb-run >/dev/null && command -v xdotool >/dev/null || {
    echo "xvfb-run or xdotool missing (scripts/deps.sh installs them)"; exit 1; }
inner='
"$0" --frames 100000 >example.log 2>&1 &
pid=$!
timeout 60 xdotool search --sync --name "MOX example" >/dev/null
sleep 0.5
xdotool keydown Escape
i=0
while kill -0 $pid 2>/dev/null && [ $i -lt 300 ]; do sleep 0.1; i=$((i + 1)); done
xdotool keyup Escape
kill $pid 2>/dev/null
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
