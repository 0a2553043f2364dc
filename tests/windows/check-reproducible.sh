#!/usr/bin/env bash
# A second clean build, in another directory, gives the same bytes.
# Usage: check-reproducible.sh CMAKE SOURCE-DIR TOOLCHAIN-FILE PROGRAM WORK-DIR
set -euo pipefail
cmake=$1 source=$2 toolchain=$3 program=$4 work=$5
rm -rf "$work"
"$cmake" -S "$source" -B "$work" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
  -DBUILD_TESTING=OFF >/dev/null
"$cmake" --build "$work" --target osver >/dev/null
if ! cmp "$program" "$work/osver.exe"; then
  echo "two clean builds differ"
  exit 1
fi
rm -rf "$work"
