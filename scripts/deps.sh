#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, when
# any is missing; `deps.sh windows` adds those of the Windows build. Safe to
# run again: it does nothing when all are there.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libsdl2-dev libglew-dev libgl1-mesa-dev libgl1-mesa-dri libegl-dev
  libgtest-dev
  libcairo2-dev libfreetype-dev fonts-dejavu-core   # the content tool draws the pictures
  clang libclang-rt-dev          # libFuzzer and the sanitizer runtimes
  xvfb xauth                     # a real window without a screen
  xdotool                        # holds keys in a window under xvfb (example test)
  ffmpeg                         # headless play renders to a video file
  sox                            # writes the WAV files the sound tests read
  imagemagick                    # writes the TGA files the image tests decode
  libstb-dev                     # stb_image, the TGA benchmark's reference decoder
)

# The Windows build (scripts/windows.sh) and its checks under Wine.
if [ "${1:-}" = windows ]; then
  packages+=(
    g++-mingw-w64-i686 g++-mingw-w64-x86-64   # the 32-bit and 64-bit cross compilers
    googletest                                # GoogleTest's sources, built for Windows
    wine64 zip file
  )
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
