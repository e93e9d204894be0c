#!/usr/bin/env bash
# Seeds for fuzz_obj: exports as modellers write them, with comments,
# object and smoothing lines, faces with texture and normal indices,
# negative indices and CR LF line ends.
set -euo pipefail
out=$1
cube() {  # cube NAME R G B X
  printf 'o %s\ng %s\nusemtl RGB_%d_%d_%d\ns off\n' "$1" "$1" "$2" "$3" "$4"
  for v in "0 0 0" "1 0 0" "0 1 0" "1 1 0" "0 0 1" "1 0 1" "0 1 1" "1 1 1"; do
    set -- "$@"; echo "v $v" | awk -v x="$5" '{ printf "v %g %g %g\n", $2 + x, $3, $4 }'
  done
  printf 'vt 0 0\nvn 0 0 1\nf -8/1/1 -7/1/1 -5/1/1 -6/1/1\n'
}
{ echo "# exported"; echo "mtllib cubes.mtl"; cube a 255 0 0 0; cube b 0 0 255 2; } > "$out/cubes.obj"
sed 's/$/\r/' "$out/cubes.obj" > "$out/crlf.obj"
cube short 10 20 30 0 > "$out/short.part"
{ sed -n 1,7p "$out/short.part"; cube long 1 2 3 4; echo "v 9 9 9"; } > "$out/uneven.obj"
rm "$out/short.part"
