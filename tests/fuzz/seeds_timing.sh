#!/usr/bin/env bash
# Seeds for fuzz_timing: a table of one event per track, a short file, a
# count beyond 256.
set -euo pipefail
out=$1
{ printf '\x01\x00\x00\x00%.0s' 1 2 3 4; head -c 4096 /dev/zero; } > "$out/empty.dat"
head -c 100 "$out/empty.dat" > "$out/short.dat"
{ printf '\x01\x02\x00\x00'; tail -c +5 "$out/empty.dat"; } > "$out/many.dat"
