#!/bin/sh
# Runs the example program in a real X window under xvfb-run, holds Escape
# through the X server until the example ends (it polls once a frame) and
# expects it to end with 0.
# Usage: example_xvfb.sh EXAMPLE
set -u
example=$1
tests=$(cd "$(dirname "$0")/.." && pwd)
command -v xvfb-run >/dev/null && command -v xdotool >/dev/null || {
    echo "xvfb-run or xdotool missing (scripts/deps.sh installs them)"; exit 1; }
unset WAYLAND_DISPLAY
# The X11 GL driver modules are unloaded when the display closes, which
# leaves their own allocations unreachable; leaks of the engine are checked
# by the off-screen tests.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"
xvfb-run -a "$tests/hold_escape.sh" "MOX example" 0.5 example.log "$example" --frames 100000
rc=$?
cat example.log
[ $rc -eq 0 ] && grep -q 'ended by Escape' example.log && ! grep -q 'no display' example.log
