#!/usr/bin/env bash
# Windows NT 3.1 has neither GetVersionExA nor SetUnhandledExceptionFilter.
# Wine has both, so the program is run with the name it looks up spelled
# wrong, one at a time, as NT 3.1's KERNEL32 would answer it:
# - without GetVersionExA the record query fails with 127 and the report
#   has six lines, exit status 1;
# - without SetUnhandledExceptionFilter the report is unchanged.
# Usage: check-missing-functions.sh PREFIX PROGRAM EXPECTED-WINXP-REPORT
set -euo pipefail
source "$(dirname "$0")/wine-env.sh" "$1"
program=$2 expected=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
windows_version winxp

# without NAME REPLACEMENT COPY: the program with its one mention of NAME changed.
without() {
  python3 - "$program" "$1" "$2" "$3" <<'PY'
import sys
program, name, replacement, copy = sys.argv[1:]
data = open(program, "rb").read()
name = name.encode() + b"\0"
if data.count(name) != 1:
    sys.exit(f"{program} names {name!r} {data.count(name)} times, not once")
open(copy, "wb").write(data.replace(name, replacement.encode() + b"\0"))
PY
}

# run COPY EXPECTED-STATUS EXPECTED-FILE
failed=0
run() {
  local status=0
  wine "$1" >"$scratch/out" || status=$?
  sed 's/$/\r/' "$3" >"$scratch/expected"
  if [ "$status" -ne "$2" ] || ! cmp -s "$scratch/expected" "$scratch/out"; then
    echo "$(basename "$1"): exit status $status (expected $2), report:"
    cat "$scratch/out"
    failed=1
  fi
}

without GetVersionExA GetVersionExZ "$scratch/no-record-query.exe"
{
  echo "GetVersionEx failed. GetLastError = 127."
  echo "verData 0.0 bld 0 [] plat:Win32s (0)"
  tail -n 4 "$expected"
} >"$scratch/six-lines.txt"
run "$scratch/no-record-query.exe" 1 "$scratch/six-lines.txt"

without SetUnhandledExceptionFilter SetUnhandledExceptionFiltez "$scratch/no-filter.exe"
run "$scratch/no-filter.exe" 0 "$expected"
exit "$failed"
