#!/usr/bin/env bash
# Seeds for fuzz_timingtext: a whole table as timingtool dump writes it,
# with a comment and CR LF line ends in one copy.
set -euo pipefail
out=$1
{
  echo "# sync table"
  echo "track 0 events 3"
  echo "event 0 0 0.000000"
  echo "event 1 22050 1.000000"
  echo "event 2 44100"
  echo "track 1 events 1"
  echo "event 0 -5"
  echo "track 2 events 0"
  echo "track 3 events 1"
  echo "event 0 2147483647"
} > "$out/table.txt"
sed 's/$/\r/' "$out/table.txt" > "$out/crlf.txt"
