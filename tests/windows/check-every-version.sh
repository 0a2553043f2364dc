#!/usr/bin/env bash
# Under every Windows version this Wine can be set to, the program exits 0
# and its report passes scripts/check-report: each line in its format, and
# the record and the packed word telling the same version. Where RELEASES
# has VERSION.txt, the report must also be that one, byte for byte.
# Usage: check-every-version.sh PREFIX PROGRAM CHECKER RELEASES
set -euo pipefail
source "$(dirname "$0")/wine-env.sh" "$1"
program=$2 checker=$3 releases=$4
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# winecfg lists the names it accepts, one a line, after its usage text: on
# standard output with CR LF (Wine 8), or on standard error with LF (Wine 10).
mapfile -t versions < <(wine winecfg /? 2>&1 | tr -d '\r' |
  sed -n '/^Valid versions/,$p' | sed -n 's/^ \{1,\}\([a-z0-9]\{1,\}\) \{2,\}.*/\1/p')
if ((${#versions[@]} < 10)); then
  echo "winecfg lists only ${#versions[@]} versions: ${versions[*]}"
  exit 1
fi

failed=0
for version in "${versions[@]}"; do
  wine winecfg -v "$version"
  status=0
  wine "$program" >"$scratch/$version.txt" || status=$?
  published=$releases/$version.txt
  problems=
  if [ "$status" -ne 0 ]; then
    problems="exit status $status"
  elif [ -f "$published" ] && ! sed 's/$/\r/' "$published" | cmp -s - "$scratch/$version.txt"; then
    problems="the report is not $published"
  else
    problems=$("$checker" "$scratch/$version.txt") || true
  fi
  if [ -n "$problems" ]; then
    echo "$version: $problems"
    cat "$scratch/$version.txt"
    failed=1
  fi
done
echo "checked ${#versions[@]} versions: ${versions[*]}"
exit "$failed"
