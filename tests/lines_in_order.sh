#!/bin/sh
# Each pattern (grep's) matches a line of LOG, each on a later line than the
# one before; says which does not and exits with 1.
# Usage: lines_in_order.sh LOG PATTERN...
log=$1
shift
last=0
for line; do
    at=$(grep -n -m1 -e "$line" "$log" | cut -d: -f1)
    [ -n "$at" ] || { echo "missing: $line"; exit 1; }
    [ "$at" -gt "$last" ] || { echo "out of order: $line"; exit 1; }
    last=$at
done
