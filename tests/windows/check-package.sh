#!/usr/bin/env bash
# cpack makes the users' zip, holding the program and the README.
# Usage: check-package.sh CMAKE CPACK BUILD-DIR ZIP-NAME
set -euo pipefail
cmake=$1 cpack=$2 build=$3 zip=$4
cd "$build"
rm -f "$zip"
"$cpack" >/dev/null
contents=$("$cmake" -E tar tf "$zip" | sort | tr '\n' ' ')
if [ "$contents" != "README.md osver.exe " ]; then
  echo "$zip holds: $contents"
  exit 1
fi
