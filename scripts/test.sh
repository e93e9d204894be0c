#!/usr/bin/env bash
# The whole suite: installs what is missing, compiles the core and sound
# for 32 bits, builds and runs the tests plainly, makes the Linux release
# (played from an unpacked folder), the Debian packages (installed, played
# and removed) and the web release, runs the tests
# under AddressSanitizer and UndefinedBehaviorSanitizer and the threaded
# tests under ThreadSanitizer, every fuzz target for a bounded time, plays
# the web release in a headless browser, and checks the Windows build under
# Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh windows release web

jobs=$(nproc)
run_ctest() { (cd "$1" && ctest --output-on-failure -j "$jobs" ${2:+-L "$2"} --timeout 600); }

echo "== the engine's core and sound compiled for 32 bits"
scripts/m32.sh

echo "== tests"
scripts/build.sh build
run_ctest build

echo "== the Linux release, unpacked and played where there is no build tree"
scripts/release.sh
tests/release/check_release.sh orlem-linux-x86_64.tar.gz

echo "== the Debian packages (release.sh made them), installed, played from /tmp and removed"
tests/release/check_debs.sh orlem_*.deb libmox-dev_*.deb examples/starter

echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer"
(
  # The build runs each test program once to list its tests, so the options
  # hold for the build as well as for the run.
  export ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp
  export UBSAN_OPTIONS=print_stacktrace=1
  scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DMOX_SANITIZE=address,undefined
  run_ctest build-asan
)

# Only the tests labelled "threads" matter under ThreadSanitizer.
if grep -rqs 'threads' tests --include=CMakeLists.txt; then
  echo "== threaded tests under ThreadSanitizer"
  (
    export TSAN_OPTIONS=halt_on_error=1
    scripts/build.sh build-tsan -DCMAKE_BUILD_TYPE=Debug -DMOX_SANITIZE=thread
    run_ctest build-tsan threads
  )
fi

echo "== fuzz targets"
scripts/fuzz.sh "${MOX_FUZZ_SECONDS:-60}"

echo "== the web release (release.sh made it), unpacked, served as a static host serves it and played in a headless browser"
tests/web/check_web.py orlem-web.zip build/demo

echo "== the Windows build, checked under Wine"
scripts/windows.sh
(cd build-win64 && ctest --output-on-failure --timeout 900)
