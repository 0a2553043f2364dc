#!/usr/bin/env bash
# WoW64 mode runs no i386 Linux code: dpkg knows no i386 architecture and
# no i386 package, and while a 32-bit Windows program runs (Wine's cmd.exe,
# waiting for input), every Linux process of the prefix, the Wine server
# included, is a 64-bit one that maps no 32-bit ELF object; the program's
# own process maps the WoW64 layer and the 32-bit Windows DLLs.
# Usage: scripts/wine-mode --env check-no-i386.sh   (in the prefix's environment)
set -euo pipefail
scratch=$(mktemp -d)
input=$scratch/input
mkfifo "$input"
# shellcheck disable=SC2317 # called by the trap
cleanup() {
  exec 3>&- || true
  wait || true
  rm -rf "$scratch"
}
trap cleanup EXIT
failed=0

if dpkg --print-foreign-architectures | grep -qx i386; then
  echo "dpkg has the i386 architecture"
  failed=1
fi
if dpkg-query -W -f='${db:Status-Abbrev}${Package}:${Architecture}\n' | grep '^ii.*:i386$'; then
  echo "the i386 packages above are installed"
  failed=1
fi

wine 'C:\windows\syswow64\cmd.exe' <"$input" >/dev/null &
exec 3>"$input"

# Wine's processes of the prefix: Wine's own programs, with the prefix in
# their environment (as this script and what it runs have too).
processes() {
  local pid
  grep -lzxF "WINEPREFIX=$WINEPREFIX" /proc/[0-9]*/environ 2>/dev/null | cut -d/ -f3 |
    while read -r pid; do
      [[ $(readlink "/proc/$pid/exe" 2>/dev/null) == */wine* ]] && echo "$pid"
    done
  return 0
}
program=
for _ in $(seq 100); do
  for pid in $(processes); do
    grep -q 'wow64cpu\.dll' "/proc/$pid/maps" 2>/dev/null && program=$pid
  done
  if [ -n "$program" ] || ! kill -0 $! 2>/dev/null; then
    break
  fi
  sleep 0.2
done
if [ -z "$program" ]; then
  echo "no process of the prefix maps wow64cpu.dll: the 32-bit cmd.exe did not start in WoW64 mode"
  exit 1
fi

# Every file the prefix's processes run or map; an ELF file's class byte
# is 1 for a 32-bit object, 2 for a 64-bit one.
pids=$(processes)
for pid in $pids; do
  readlink "/proc/$pid/exe"
  sed -n 's|^[^/]*\(/.*\)$|\1|p' "/proc/$pid/maps"
done 2>/dev/null | sort -u >"$scratch/files" || true  # a process may end meanwhile
elf=0
while IFS= read -r file; do
  [ "$(head -c 4 "$file" 2>/dev/null | od -An -c | tr -d ' ')" = '177ELF' ] || continue
  elf=$((elf + 1))
  if [ "$(od -An -tu1 -j4 -N1 "$file" | tr -d ' ')" != 2 ] || [[ $file == *i386-linux-gnu* ]]; then
    echo "a process of the prefix maps the i386 object $file:"
    for pid in $pids; do
      grep -qF "$file" "/proc/$pid/maps" 2>/dev/null && tr '\0' ' ' <"/proc/$pid/cmdline" && echo
    done
    failed=1
  fi
done <"$scratch/files"
dlls=$(grep -c '/i386-windows/.*\.dll$' "/proc/$program/maps" || true)
if ((dlls == 0)); then
  echo "the 32-bit cmd.exe (process $program) maps no 32-bit Windows DLL from an i386-windows folder"
  failed=1
fi
echo "$(wc -w <<<"$pids") processes of the prefix map $elf ELF objects, none of them i386;" \
  "the 32-bit cmd.exe (process $program) maps wow64cpu.dll and $dlls mappings of 32-bit" \
  "Windows DLLs"
echo exit >&3
exit "$failed"
