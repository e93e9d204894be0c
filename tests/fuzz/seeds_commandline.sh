#!/usr/bin/env bash
# Seeds for fuzz_commandline: argument vectors as viewers and demo makers
# type them, NUL between the arguments.
set -euo pipefail
out=$1
printf -- '--window\0--from\0008' > "$out/window"
printf -- '--from\00047.5s\0--every-frame' > "$out/time"
printf -- 'out.mp4\0--fps\00030\0--size\0001280x720\0--frames\000600' > "$out/capture"
printf -- '--stills\0dir\0--at\00016,47.5,88\0--trace\0t.txt' > "$out/stills"
printf -- '--slow\000170\0--trace\0t.txt\0--every-frame\0--help' > "$out/slow"
