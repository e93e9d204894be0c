#!/usr/bin/env bash
# Installs what is missing, builds everything (the demo's data image
# included) and plays what exists. Until the demo itself is built, that is
# the engine's example program: in a window where there is a display, and
# rendered to build/example.mp4 where there is none.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh build

echo "== the demo's data image"
build/tools/moxpack/moxpack list build/demo/orlem.dat

echo "== the example program"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  build/examples/mox_example
else
  build/examples/mox_example --frames 600 --video build/example.mp4
  echo "no display: the example was rendered to build/example.mp4"
fi
