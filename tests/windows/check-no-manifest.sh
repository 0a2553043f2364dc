#!/usr/bin/env bash
# The program carries no resources, so no application manifest: Windows 8.1
# and later then answer it as they answer any unmanifested program.
# Usage: check-no-manifest.sh OBJDUMP PROGRAM
set -euo pipefail
sections=$("$1" -h "$2")
if grep -q '\.rsrc' <<<"$sections"; then
  echo "$2 has a resource section, which may hold a manifest:"
  echo "$sections"
  exit 1
fi
