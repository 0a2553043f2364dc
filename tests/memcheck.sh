#!/usr/bin/env bash
# The native program under valgrind's memcheck: no error, no leak of any
# kind, and the same report and exit status as without it.
# Usage: memcheck.sh VALGRIND PROGRAM
set -euo pipefail
valgrind=$1 program=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
"$program" >"$scratch/expected"
status=0
"$valgrind" --quiet --error-exitcode=99 --leak-check=full --show-leak-kinds=all \
  --errors-for-leak-kinds=all --log-file="$scratch/log" "$program" >"$scratch/out" || status=$?
cat "$scratch/log"
if [ "$status" -ne 0 ]; then
  echo "exit status $status under memcheck (99: memcheck found errors)"
  exit 1
fi
if ! cmp -s "$scratch/expected" "$scratch/out" || [ ! -s "$scratch/out" ]; then
  echo "the report under memcheck differs or is empty"
  exit 1
fi
