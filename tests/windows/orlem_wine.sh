#!/bin/sh
# The Windows demo under Wine, in a real X window under xvfb-run:
#   1. started at scene event 2 (--from 2, a bright scene), Escape held a
#      second after it starts: exit code 0, the start-up lines in their
#      order, timing.dat written back unchanged, and a frame read back from
#      the screen that is not black;
#   2. with a sync table of a few seconds: it plays to its end by itself and
#      exits with 0.
# Both with Wine's sound going to ALSA's null device, so the wave-out device
# really opens: the log must not show the silent output. That device plays
# about four times faster than real time, and the show follows the music it
# plays, so the scene's picture is taken soon after its start.
# Usage: orlem_wine.sh ORLEM.EXE DEMODIR TIMINGTOOL
set -u
exe=$1 demodir=$2 timingtool=$3
tests=$(cd "$(dirname "$0")/.." && pwd)
wine=${WINE64:-/usr/lib/wine/wine64}
for tool in xvfb-run xdotool convert "$wine"; do
    command -v "$tool" >/dev/null || { echo "$tool missing (scripts/deps.sh windows installs it)"; exit 1; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/orlem-wine.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*"; exit 1; }
cp "$exe" "$demodir/orlem.dat" "$demodir/timing.dat" "$work/" || exit 1
cp "$work/timing.dat" "$work/timing.before"
cd "$work" || exit 1
# ALSA's null device as the default: wave-out opens and plays into nothing.
mkdir -p home
printf 'pcm.!default {\n    type null\n}\n' > home/.asoundrc
export HOME="$work/home" WINEDEBUG=-all
export WINEPREFIX="${WINEPREFIX:-$work/prefix}"
unset WAYLAND_DISPLAY

SCREENSHOT=shot.png WAITFOR='orlem: starting at scene event 2' xvfb-run -a -s "-screen 0 1920x1080x24" \
    "$tests/hold_escape.sh" "VELDRIX - ORLEM" 1 orlem.log "$wine" orlem.exe --from 2
rc=$?
grep -v '^ALSA lib' orlem.log
[ $rc -eq 0 ] || fail "exit code $rc"
"$tests/lines_in_order.sh" orlem.log 'Loading resource image: orlem.dat' '\[MOX\] Init Glew' 'Ready for GLSL' \
    '\[MOX\] Init OpenGL' '\[MOX\] Init Framebuffer: 1920,1080' '- load mesh' 'MOX_LoadFont - Font Added' \
    'open waveout' 'audiodriver inited' 'Loading sound music.wav' 'orlem: starting at scene event 2' ||
    fail "start-up lines"
grep -q 'Error Initing Glew' orlem.log && fail "the GL entry points did not load"
grep -q 'AUDIO: no audio device' orlem.log && fail "the wave-out device did not open"
cmp -s timing.dat timing.before || fail "timing.dat changed"
stats=$(convert shot.png -colorspace gray -format '%[fx:mean] %[fx:maxima]' info:)
echo "brightness of the frame read back (mean, brightest): $stats"
echo "$stats" | awk '{ exit !($1 > 0.002 && $2 > 0.3) }' || fail "the frame read back is black"

# A sync table that ends three seconds in: the demo ends by itself.
printf 'track 0 events 20\n' > short.txt
i=0
while [ $i -lt 20 ]; do echo "event $i $((i * 4096))" >> short.txt; i=$((i + 1)); done
for track in 1 2 3; do printf 'track %d events 1\nevent 0 0\n' $track >> short.txt; done
"$timingtool" build short.txt timing.dat >/dev/null || fail "timingtool build"
cp timing.dat timing.before
timeout 300 xvfb-run -a -s "-screen 0 1920x1080x24" "$wine" orlem.exe --window >short.log 2>&1
rc=$?
grep -v '^ALSA lib' short.log | tail -n 3
[ $rc -eq 0 ] || fail "the short timeline did not end with 0 (exit code $rc)"
grep -q 'AUDIO: no audio device' short.log && fail "the wave-out device did not open"
cmp -s timing.dat timing.before || fail "timing.dat changed"
echo "orlem.exe under Wine: ended by Escape and by its own timeline with 0; frame not black; wave-out open"
