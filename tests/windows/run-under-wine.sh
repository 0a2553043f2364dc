#!/usr/bin/env bash
# Runs the program under Wine set to one Windows version and compares the
# report, byte for byte, with the expected one, whose lines must reach the
# file ending in CR LF. The exit status must be 0.
# Usage: run-under-wine.sh PREFIX WINDOWS-VERSION PROGRAM EXPECTED [ARGUMENT...]
set -euo pipefail
source "$(dirname "$0")/wine-env.sh" "$1"
version=$2 program=$3 expected=$4
shift 4
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
sed 's/$/\r/' "$expected" >"$scratch/expected"

windows_version "$version"
status=0
wine "$program" "$@" >"$scratch/out" || status=$?
if ! cmp -s "$scratch/expected" "$scratch/out"; then
  echo "The report under $version differs from $expected:"
  diff <(od -c "$scratch/expected") <(od -c "$scratch/out") || true
  exit 1
fi
if [ "$status" -ne 0 ]; then
  echo "Exit status $status under $version, expected 0"
  exit 1
fi
