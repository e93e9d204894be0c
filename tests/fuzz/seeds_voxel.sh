#!/usr/bin/env bash
# Seeds for fuzz_voxel: a small voxel file and a two-cube OBJ export.
set -euo pipefail
out=$1
printf '\x02\x00\x00\x00' > "$out/two.vxl"
head -c 48 /dev/zero >> "$out/two.vxl"
{
  printf 'g a\nusemtl RGB_255_0_0\n'
  for v in "0 0 0" "1 0 0" "0 1 0" "1 1 0" "0 0 1" "1 0 1" "0 1 1" "1 1 1"; do echo "v $v"; done
  printf 'f 1 2 4 3\ng b\nusemtl RGB_0_0_255\n'
  for v in "2 0 0" "3 0 0" "2 1 0" "3 1 0" "2 0 1" "3 0 1" "2 1 1" "3 1 1"; do echo "v $v"; done
} > "$out/cubes.obj"
