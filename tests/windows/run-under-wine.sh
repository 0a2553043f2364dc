#!/usr/bin/env bash
# Runs the program under Wine set to one Windows release and compares the
# report, byte for byte, with the expected one, whose lines must reach the
# file ending in CR LF. The exit status must be 0.
# Usage: run-under-wine.sh PREFIX WINDOWS-VERSION PROGRAM EXPECTED [ARGUMENT...]
# With OSVER_WINE_DIR set, the program runs in that directory; with
# OSVER_WINE_STDIN=closed, with standard input closed; with
# OSVER_WINE_COPIES=N, with the arguments given N times over.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh" "$1"
version=$2 program=$3 expected=$4
shift 4

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
sed 's/$/\r/' "$expected" >"$scratch/expected"

arguments=()
for ((copy = 0; copy < ${OSVER_WINE_COPIES:-1}; copy++)); do
  arguments+=("$@")
done

wine winecfg -v "$version"
status=0
cd "${OSVER_WINE_DIR:-.}"
if [ "${OSVER_WINE_STDIN:-}" = closed ]; then
  wine "$program" "${arguments[@]}" >"$scratch/out" <&- || status=$?
else
  wine "$program" "${arguments[@]}" >"$scratch/out" || status=$?
fi

if ! cmp -s "$scratch/expected" "$scratch/out"; then
  echo "The report under $version differs from $expected:"
  diff <(od -c "$scratch/expected") <(od -c "$scratch/out") || true
  exit 1
fi
if [ "$status" -ne 0 ]; then
  echo "Exit status $status under $version, expected 0"
  exit 1
fi
