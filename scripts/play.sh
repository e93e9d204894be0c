#!/usr/bin/env bash
# Installs what is missing, builds everything and plays what exists. Until
# the demo itself is built, that is the packer: it packs a sample tree into
# a data image, lists and checks it, and unpacks it again.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh build

sample=build/sample
rm -rf "$sample" && mkdir -p "$sample/tree/gfx" "$sample/tree/snd"
cp README.md "$sample/tree/readme.txt"
cp core/*.h "$sample/tree/gfx/"
printf 'RIFF' > "$sample/tree/snd/Music.WAV"
build/tools/moxpack/moxpack create "$sample/sample.dat" "$sample/tree"
build/tools/moxpack/moxpack list "$sample/sample.dat"
build/tools/moxpack/moxpack extract "$sample/sample.dat" "$sample/unpacked"
echo "unpacked into $sample/unpacked:"
(cd "$sample/unpacked" && find . -type f | sort)
