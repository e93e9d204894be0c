#!/usr/bin/env bash
# Configures and builds one build tree: build.sh [DIR [cmake options...]].
# The default tree is build/, optimised with debug information.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
shift || true
cmake -S . -B "$dir" "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)"
