#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time:
# fuzz.sh [SECONDS]. Each target tests/fuzz/fuzz_NAME.cpp may have a
# tests/fuzz/seeds_NAME.sh that writes a seed corpus into the folder it is
# given (the fuzz build's tools are in $MOX_BUILD). A finding fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
export MOX_BUILD=$PWD/build-fuzz
CC=clang CXX=clang++ scripts/build.sh build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMOX_FUZZ=ON

for src in tests/fuzz/fuzz_*.cpp; do
  name=$(basename "$src" .cpp)
  corpus=$MOX_BUILD/corpus/$name
  rm -rf "$corpus" && mkdir -p "$corpus"
  seeds=tests/fuzz/seeds_${name#fuzz_}.sh
  [ -x "$seeds" ] && "$seeds" "$corpus"
  echo "-- $name for ${seconds}s on $(ls "$corpus" | wc -l) seeds"
  # Log lines of the code under test would flood the output; keep the tail.
  (cd "$MOX_BUILD" && "./tests/fuzz/$name" -max_total_time="$seconds" -rss_limit_mb=2048 \
      -artifact_prefix="$MOX_BUILD/$name-" "$corpus" >"$MOX_BUILD/$name.log" 2>&1) || {
    tail -n 60 "$MOX_BUILD/$name.log"; echo "fuzz target $name found a fault"; exit 1; }
  grep -E '^#[0-9]+.*(DONE|pulse)' "$MOX_BUILD/$name.log" | tail -n 1 || true
done
