#!/usr/bin/env bash
# Seed meshes for fuzz_c3m: a textured quad of two triangles in one group
# with one channel, the same with two channels, and two groups.
set -euo pipefail
out=$1
f0='\000\000\000\000' f1='\000\000\200\077'   # 0.0f and 1.0f, little-endian
verts="$f0$f0$f0 $f1$f0$f0 $f1$f1$f0 $f0$f1$f0"
faces='\000\000\001\000\002\000\000\000\000\000\002\000\003\000\000\000'
coords="$f0$f0 $f1$f0 $f1$f1 $f0$f1"
indices='\000\000\001\000\002\000\000\000\002\000\003\000'
v=${verts// /} c=${coords// /}
printf "ABCD\004\000\001\000\001\000\000\000$v\002\000\000\000$faces\004\000\000\000$c$indices" > "$out/quad.c3m"
printf "ABCD\004\000\001\000\002\000\000\000$v\002\000\000\000$faces\004\000\000\000$c$indices\004\000\000\000$c$indices" > "$out/twochannels.c3m"
printf "ABCD\004\000\002\000\001\000\000\000$v\002\000\000\000$faces\001\000\000\000\001\000\002\000\003\000\000\000\004\000\000\000$c$indices" > "$out/twogroups.c3m"
