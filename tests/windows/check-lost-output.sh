#!/usr/bin/env bash
# Under Wine as natively: a report that cannot be written exits 2.
# Usage: check-lost-output.sh PREFIX PROGRAM
set -euo pipefail
source "$(dirname "$0")/wine-env.sh" "$1"
program=$2
failed=0
for target in /dev/full closed; do
  status=0
  if [ "$target" = closed ]; then
    wine "$program" >&- || status=$?
  else
    wine "$program" >"$target" || status=$?
  fi
  if [ "$status" -ne 2 ]; then
    echo "stdout $target: exit status $status, expected 2"
    failed=1
  fi
done
exit "$failed"
