#!/usr/bin/env bash
# Seed images for fuzz_image: small trees packed plain and appended.
set -euo pipefail
out=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/tree/gfx/deep" "$work/tree/snd"
printf 'abc' > "$work/tree/a"
printf 'de' > "$work/tree/bc"
printf 'line one\nline two\nlast' > "$work/tree/gfx/obj.txt"
printf 'x' > "$work/tree/gfx/deep/b.tga"
: > "$work/tree/snd/empty.wav"
printf 'HOST' > "$work/host"
"$MOX_BUILD/tools/moxpack/moxpack" create "$out/plain.dat" "$work/tree"
"$MOX_BUILD/tools/moxpack/moxpack" create --host "$work/host" "$out/appended.dat" "$work/tree"
mkdir -p "$work/two" && printf 'abc' > "$work/two/a" && printf 'de' > "$work/two/bc"
"$MOX_BUILD/tools/moxpack/moxpack" create "$out/two.dat" "$work/two"
