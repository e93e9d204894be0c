#!/usr/bin/env bash
# Installs what is missing, builds everything (the demo's data image
# included) and plays the demo: full screen where there is a display (add
# --window for a window), and where there is none, renders it with its
# sound to orlem.mp4 in the repository's folder, whatever options follow
# going to orlem-capture (--fps 30 halves the work). play.sh --web builds
# the browser version, serves it and opens it.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

# --web: builds the browser version, serves it here and opens it.
if [ "${1:-}" = "--web" ]; then
  scripts/deps.sh
  scripts/web.sh
  port=${MOX_WEB_PORT:-8000}
  echo "serving build-web/demo: open http://localhost:$port/orlem.html (Ctrl-C stops)"
  if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    (sleep 1; xdg-open "http://localhost:$port/orlem.html" >/dev/null 2>&1 ||
      chromium "http://localhost:$port/orlem.html" >/dev/null 2>&1) &
  fi
  cd build-web/demo
  exec python3 -m http.server "$port"
fi

scripts/deps.sh
scripts/build.sh build

# The demo finds orlem.dat and timing.dat in its working directory.
cd build/demo
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec ./orlem "$@"
fi
echo "no display: rendering the demo with its sound to $root/orlem.mp4"
./orlem-capture "$root/orlem.mp4" "$@"
echo "the video is $root/orlem.mp4"
