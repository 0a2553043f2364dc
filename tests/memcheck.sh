#!/usr/bin/env bash
# A native program under valgrind's memcheck: no error, no leak of any kind,
# the same output and exit status as without it, and nothing left behind in
# the temporary directory, with or without memcheck.
# Usage: memcheck.sh VALGRIND PROGRAM [ARGUMENT...]
set -euo pipefail
valgrind=$1
shift
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/tmp-plain" "$scratch/tmp-memcheck"

plain=0
TMPDIR=$scratch/tmp-plain "$@" >"$scratch/expected" || plain=$?
status=0
TMPDIR=$scratch/tmp-memcheck "$valgrind" --quiet --error-exitcode=99 --leak-check=full \
  --show-leak-kinds=all --errors-for-leak-kinds=all --log-file="$scratch/log" "$@" \
  >"$scratch/out" || status=$?
cat "$scratch/log"
failed=0
if [ "$status" -ne "$plain" ]; then
  echo "exit status $status under memcheck, $plain without (99: memcheck found errors)"
  failed=1
fi
if ! diff "$scratch/expected" "$scratch/out" || [ ! -s "$scratch/out" ]; then
  echo "the output under memcheck (>) differs from the plain run's (<) or is empty"
  failed=1
fi
for run in plain memcheck; do
  if [ -n "$(ls -A "$scratch/tmp-$run")" ]; then
    echo "left behind in the temporary directory ($run):" "$scratch/tmp-$run"/*
    failed=1
  fi
done
exit "$failed"
