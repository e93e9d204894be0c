#!/usr/bin/env bash
# Builds optimised and runs every benchmark; each prints its own figures.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh build-bench -DCMAKE_BUILD_TYPE=Release
for b in build-bench/bench/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b"
done
