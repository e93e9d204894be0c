#!/bin/sh
# The Debian packages as a viewer and a demo maker get them: both
# installed; orlem and orlem-capture run from a folder of the user's own,
# the demo's data found where the package put it and left as it was; the
# starter demo built against the installed engine with no prefix named;
# then both removed, with no file of theirs left behind.
# Usage: check_debs.sh orlem_VERSION_amd64.deb libmox-dev_VERSION_amd64.deb STARTERDIR
set -u
orlem=$(realpath "$1") dev=$(realpath "$2") starter=$(realpath "$3")
as_root=""
[ "$(id -u)" -eq 0 ] || as_root="sudo"
work=$(mktemp -d /tmp/orlem-debs.XXXXXX)
fail() { echo "FAILED: $*"; exit 1; }
cleanup() { $as_root dpkg --purge orlem libmox-dev >/dev/null 2>&1; rm -rf "$work"; }
trap cleanup EXIT
for p in orlem libmox-dev; do
    ! dpkg-query -W -f='${Status}' $p 2>/dev/null | grep -q 'ok installed' || fail "$p is installed already"
done

$as_root dpkg -i "$orlem" "$dev" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg -i"; }
dpkg -L orlem libmox-dev | while read -r f; do [ -d "$f" ] || echo "$f"; done > "$work/files"
echo "installed: $(wc -l < "$work/files") files"
installed=$(sha256sum /usr/share/orlem/timing.dat)

cd "$work" || exit 1
orlem --help > help.txt 2>&1 || fail "orlem --help: $(cat help.txt)"
grep -q "or else in /usr/share/orlem" help.txt || fail "orlem --help does not say where its data is: $(cat help.txt)"
command -v orlem-capture | grep -qx /usr/bin/orlem-capture || fail "orlem-capture is not on the PATH"
env -u DISPLAY -u WAYLAND_DISPLAY SDL_AUDIODRIVER=none orlem-capture --frames 30 > capture.log 2>&1 ||
    { tail -20 capture.log; fail "orlem-capture --frames 30"; }
grep -q "could not be read" capture.log && fail "the data was not found: $(cat capture.log)"
grep -q "^/usr/share/orlem/timing.dat: the sync table could not be written back (an installed copy); the file there is left as it was$" capture.log ||
    fail "no line on the installed sync table: $(cat capture.log)"
frames=$(ffprobe -v error -count_frames -select_streams v -show_entries stream=nb_read_frames -of csv=p=0 orlem.mp4)
echo "orlem.mp4 from $work: $frames frames"
[ "$frames" = 30 ] || fail "orlem.mp4 has $frames frames, not 30"
[ "$(sha256sum /usr/share/orlem/timing.dat)" = "$installed" ] || fail "the installed sync table was changed"
[ ! -e /usr/share/orlem/timing.dat.tmp ] || fail "a temporary file was left in /usr/share/orlem"
ls "$work" | grep -qv -e '^help.txt$' -e '^capture.log$' -e '^orlem.mp4$' -e '^dpkg.log$' -e '^files$' &&
    fail "unexpected files in the working folder: $(ls "$work")"

# The engine from its package: found by CMake with no prefix named.
cp -r "$starter" "$work/starter"
(cd "$work/starter" && cmake -S . -B build >configure.log 2>&1 && cmake --build build -j 2 >build.log 2>&1) ||
    { tail -30 "$work/starter/configure.log" "$work/starter/build.log"; fail "the starter against the package"; }
grep -q "MOX_DIR:PATH=/usr/lib/cmake/MOX" "$work/starter/build/CMakeCache.txt" || fail "MOX was not found in /usr"

$as_root dpkg --purge orlem libmox-dev >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg --purge"; }
left=$(while read -r f; do [ -e "$f" ] && echo "$f"; done < "$work/files")
[ -z "$left" ] || fail "left behind after removal: $left"
[ ! -e /usr/share/orlem ] || fail "/usr/share/orlem is left behind"
echo "both packages installed, played and captured from $work, the starter built on the engine, removed with nothing left"
