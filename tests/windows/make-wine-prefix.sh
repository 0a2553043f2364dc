#!/usr/bin/env bash
# Creates the Wine prefix the tests run in, once per build tree, and starts
# its server and Wine's own services, which stay until the last run of the
# tests stops them (or a minute after the last program ends): each run then
# starts its own process only, which under QEMU takes a tenth of the time.
# Usage: make-wine-prefix.sh PREFIX
set -euo pipefail
source "$(dirname "$0")/wine-env.sh" "$1"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  rm -rf "$WINEPREFIX"
  wineboot --init
  wineserver --wait
  test -f "$WINEPREFIX/system.reg"
fi
wineserver --kill 2>/dev/null || true
# Their streams are not the test's, which the test runner reads to their end:
# services started by a test's run would hold it open as long as they live.
wineserver --persistent=60 </dev/null >/dev/null 2>&1
wine wineboot </dev/null >/dev/null 2>&1
