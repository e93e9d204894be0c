#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, when
# any is missing; `deps.sh windows` adds those of the Windows build, `deps.sh
# release` what the Linux release takes (Debian's source of SDL2), `deps.sh
# web` Emscripten and a browser for the web build; any may be named. Safe to
# run again: it does nothing when all are there.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libsdl2-dev libglew-dev libgl1-mesa-dev libgl1-mesa-dri libegl-dev
  libgtest-dev
  libcairo2-dev libfreetype-dev fonts-dejavu-core   # the content tool draws the pictures
  clang libclang-rt-dev          # libFuzzer and the sanitizer runtimes
  g++-multilib                   # the 32-bit compile check (scripts/m32.sh)
  xvfb xauth                     # a real window without a screen
  xdotool                        # holds keys in a window under xvfb (example test)
  ffmpeg                         # headless play renders to a video file
  sox                            # writes the WAV files the sound tests read
  imagemagick                    # writes the TGA files the image tests decode
  libstb-dev                     # stb_image, the TGA benchmark's reference decoder
)

wants=" $* "
# The Windows build (scripts/windows.sh) and its checks under Wine.
if [[ $wants == *" windows "* ]]; then
  packages+=(
    g++-mingw-w64-i686 g++-mingw-w64-x86-64   # the 32-bit and 64-bit cross compilers
    googletest                                # GoogleTest's sources, built for Windows
    wine64 zip file
  )
fi

# The Linux release (scripts/release.sh) builds SDL2 from Debian's source.
if [[ $wants == *" release "* ]]; then
  packages+=(dpkg-dev xvfb xdotool zip lintian desktop-file-utils)
  if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
    . /etc/os-release
    echo "adding Debian's source packages for ${VERSION_CODENAME} (SDL2's source)"
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
      "$VERSION_CODENAME" | $sudo tee /etc/apt/sources.list.d/mox-debian-src.sources >/dev/null
    $sudo apt-get update -qq
  fi
fi

# The web build (scripts/web.sh) and its test in a headless browser.
if [[ $wants == *" web "* ]]; then
  packages+=(emscripten chromium python3)
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
