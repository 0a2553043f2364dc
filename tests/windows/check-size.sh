#!/usr/bin/env bash
# The program is no more than 10% larger than an empty program built the
# same way: the run-time does the work, nothing is linked in to do it.
# Usage: check-size.sh PROGRAM EMPTY-PROGRAM
set -euo pipefail
program=$(stat -c %s "$1")
empty=$(stat -c %s "$2")
echo "$1: $program bytes; $2: $empty bytes"
if [ $((program * 100)) -gt $((empty * 110)) ]; then
  echo "more than 10% larger than the empty program"
  exit 1
fi
