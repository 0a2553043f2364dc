#!/usr/bin/env bash
# The program imports from KERNEL32.dll and crtdll.dll and nothing else, and
# its printf is crtdll.dll's.
# Usage: check-imports.sh OBJDUMP PROGRAM
set -euo pipefail
objdump=$1 program=$2
imports=$("$objdump" -p "$program")
dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$imports" | tr '[:upper:]' '[:lower:]' | sort | tr '\n' ' ')
if [ "$dlls" != "crtdll.dll kernel32.dll " ]; then
  echo "$program imports from: $dlls"
  exit 1
fi
printf_from=$(awk '/DLL Name:/ { dll = tolower($3) } $NF == "printf" { print dll }' <<<"$imports")
if [ "$printf_from" != "crtdll.dll" ]; then
  echo "printf is not imported from crtdll.dll (from: '${printf_from}')"
  exit 1
fi
