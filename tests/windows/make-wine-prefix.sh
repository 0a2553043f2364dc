#!/usr/bin/env bash
# Creates the Wine prefix the tests run in, once per build tree.
# Usage: make-wine-prefix.sh PREFIX
set -euo pipefail
source "$(dirname "$0")/wine-env.sh" "$1"
if [ -f "$WINEPREFIX/system.reg" ]; then
  exit 0
fi
rm -rf "$WINEPREFIX"
wineboot --init
wineserver --wait
test -f "$WINEPREFIX/system.reg"
