#!/bin/sh
# Validates every Turtle file of an LV2 bundle against the specifications installed in
# /usr/lib/lv2; fails unless lv2_validate finds 0 errors.
set -u
bundle=$1
out=$(lv2_validate "$bundle"/*.ttl 2>&1)
status=$?
printf '%s\n' "$out"
[ $status -eq 0 ] && printf '%s\n' "$out" | grep -q "Found 0 errors"
