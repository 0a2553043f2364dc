#!/usr/bin/env bash
# Fills a fresh scratch directory with COUNT empty files f1.txt to fCOUNT.txt.
# Usage: make-many-files.sh DIR COUNT
set -euo pipefail
rm -rf "$1"
mkdir -p "$1"
cd "$1"
for ((i = 1; i <= $2; i++)); do
  : >"f$i.txt"
done
