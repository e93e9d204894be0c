#!/usr/bin/env bash
# Seed TGA files for fuzz_tga: every variant ImageMagick writes from a small
# picture, plus hand-built 15/16-bit, interleaved and right-origin files.
set -euo pipefail
out=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# 6 by 4: a run of red, noise, and the magenta colour key.
{
  printf 'P6\n6 4\n255\n'
  printf '\377\000\000\377\000\000\377\000\000\377\000\000\020\040\060\377\000\377'
  printf '\001\002\003\004\005\006\007\010\011\012\013\014\015\016\017\020\021\022'
  printf '\000\377\000\000\377\000\000\377\000\200\200\200\200\200\200\000\000\377'
  printf '\377\377\377\000\000\000\377\377\377\000\000\000\377\377\377\000\000\000'
} > "$work/src.ppm"
i=0
for opts in "-type TrueColor" "-type TrueColor -compress RLE" "-type TrueColorAlpha" \
            "-type TrueColorAlpha -compress RLE" "-type Grayscale" "-type Grayscale -compress RLE" \
            "-type Palette" "-type Palette -compress RLE"; do
  # shellcheck disable=SC2086
  convert "$work/src.ppm" $opts -orient topleft "$out/magick$i.tga" 2>/dev/null || true
  i=$((i + 1))
done
# 16-bit 2 by 2, bottom-right, two-way interleave.
printf '\000\000\002\000\000\000\000\000\000\000\000\000\002\000\002\000\020\120\000\174\340\003\037\000\377\177' > "$out/rgb16.tga"
# 15-bit colour map of two entries, 8-bit pixels, four-way interleave, top-right.
printf '\000\001\001\000\000\002\000\017\000\000\000\000\002\000\004\000\010\260\000\174\037\000\000\001\001\000\001\000\000\001' > "$out/map15.tga"
# Packed 32-bit with a run crossing the row end.
printf '\000\000\012\000\000\000\000\000\000\000\000\000\003\000\002\000\040\050\204\001\002\003\004\000\377\000\377\200' > "$out/rle32.tga"
# A font image: a 32-bit marker row with two markers over one letter row.
{
  printf '\000\000\002\000\000\000\000\000\000\000\000\000\006\000\002\000\040\050'
  printf '\000\000\000\000\377\377\377\377\000\000\000\000\000\000\000\000\377\377\377\377\000\000\000\000'
  printf '\200\200\200\377\200\200\200\377\200\200\200\377\200\200\200\377\200\200\200\377\200\200\200\377'
} > "$out/font.tga"
