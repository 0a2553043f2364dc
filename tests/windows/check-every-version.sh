#!/usr/bin/env bash
# Under every Windows version this Wine can tell a 32-bit program, the
# program exits 0 and its report passes scripts/check-report: each line in
# its format, and the record and the packed word telling the same version.
# Where RELEASES has VERSION.txt, the report must also be that one, byte for
# byte. The checker's exit status decides, not what it prints.
# Usage: check-every-version.sh PREFIX PROGRAM CHECKER RELEASES
set -euo pipefail
source "$(dirname "$0")/wine-env.sh" "$1"
program=$2 checker=$3 releases=$4
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# winecfg lists the names it accepts, one a line, after its usage text: on
# standard output with CR LF (Wine 8), or on standard error with LF (Wine 10).
winecfg32 /? >"$scratch/usage" 2>&1 || true  # it exits non-zero after its usage
mapfile -t versions < <(tr -d '\r' <"$scratch/usage" |
  sed -n '/^Valid versions/,$p' | sed -n 's/^ \{1,\}\([a-z0-9]\{1,\}\) \{2,\}.*/\1/p')
if ((${#versions[@]} < 10)); then
  echo "winecfg lists only ${#versions[@]} versions: ${versions[*]}"
  cat "$scratch/usage"
  exit 1
fi

failed=0
for version in "${versions[@]}"; do
  windows_version "$version"
  report=$scratch/$version.txt
  published=$releases/$version.txt
  status=0
  wine "$program" >"$report" || status=$?
  if [ "$status" -ne 0 ]; then
    echo "$version: exit status $status"
  elif [ -f "$published" ] && ! sed 's/$/\r/' "$published" | cmp -s - "$report"; then
    echo "$version: the report is not $published"
  elif "$checker" "$report"; then
    continue
  else
    echo "$version: $checker exited $?"
  fi
  cat "$report"
  failed=1
done
echo "checked ${#versions[@]} versions: ${versions[*]}"
exit "$failed"
