#!/bin/sh
# Run inside an X session (under xvfb-run): starts PROGRAM with its
# arguments, its output in LOG, waits for a window titled TITLE (and, when
# $WAITFOR is set, for a line of LOG that matches it), then DELAY seconds,
# saves the screen to $SCREENSHOT when that is set, and holds Escape
# through the X server until the program ends (a minute at most). Exits with
# the program's exit code.
# Usage: hold_escape.sh TITLE DELAY LOG PROGRAM [ARG...]
set -u
title=$1 delay=$2 log=$3
shift 3
"$@" >"$log" 2>&1 &
pid=$!
timeout 120 xdotool search --sync --name "$title" >/dev/null
i=0
while [ -n "${WAITFOR:-}" ] && ! grep -q "$WAITFOR" "$log" && kill -0 $pid 2>/dev/null && [ $i -lt 1200 ]; do
    sleep 0.1
    i=$((i + 1))
done
sleep "$delay"
[ -n "${SCREENSHOT:-}" ] && import -window root "$SCREENSHOT"
xdotool keydown Escape
i=0
while kill -0 $pid 2>/dev/null && [ $i -lt 600 ]; do sleep 0.1; i=$((i + 1)); done
xdotool keyup Escape
kill $pid 2>/dev/null
wait $pid
