#!/usr/bin/env bash
# Compiles the engine's core and sound and the demo's file readers for a
# 32-bit target (-m32; the seed's own target is 32-bit Windows), so that a
# 32-bit compile error or a failed static_assert on a record's size shows on
# this 64-bit machine too, where 32-bit programs cannot run. The platform's
# own files (SDL, Win32, the browser) are left out: their headers are the
# platform's.
set -euo pipefail
cd "$(dirname "$0")/.."
sources=$(ls core/*.cpp sound/*.cpp demo/demotiming.cpp demo/helpers.cpp demo/show.cpp |
          grep -v -e '_win32\.cpp$' -e '_sdl\.cpp$' -e '_web\.cpp$')
for f in $sources; do
  g++ -m32 -std=c++17 -O1 -D_FILE_OFFSET_BITS=64 -I. -Icore -Wall -Wextra -Werror -c "$f" -o /dev/null
done
echo "m32: $(echo "$sources" | wc -l) files compiled for 32 bits"
