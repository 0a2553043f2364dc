#!/bin/bash
# Runs in the test machine, from the host's shared folder (tests/vm/run fills
# it): its checks of 32-bit x86 code, and the Windows programs under Wine,
# a folder of them for each toolchain (docs/testing.md, "In virtual machines").
# Usage: job.sh no-ia32 | job.sh MODE PROGRAMS...   (MODE: classic or wow64)
set -uo pipefail
mode=$1 && shift
# Without it, Wine's Wayland side says on standard error that it has no place.
export XDG_RUNTIME_DIR=/run/user/0
# shellcheck disable=SC2174 # /run/user exists or may be 755: only the last is private
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
export OSVER_PROBE=$PWD/probe
failed=0 out=$(mktemp)

# check NAME STATUS COMMAND...: the command must exit with STATUS.
check() {
  local name=$1 want=$2 status=0
  shift 2
  # (In a subshell, which keeps the shell's word on a fault in the output.)
  ("$@" || exit) >"$out" 2>&1 || status=$?
  if ((status == want)); then
    echo "ok: $name (exit status $status)"
  else
    echo "FAILED: $name: exit status $status, expected $want; its output:"
    cat "$out"
    failed=1
  fi
}
# arch-test says 1 for a refused architecture; 139 is a death by SIGSEGV.
refused=1 segfault=139

echo "$(uname -sr), $(</proc/cmdline)"
echo "foreign architectures: '$(dpkg --print-foreign-architectures)'"
case $mode in
  no-ia32)
    check "arch-test i386 fails: i386 programs are refused" $refused arch-test i386
    check "the far call into the 32-bit code segment returns" 0 ./probe --far-call-only
    check "the probe fails at the i386 system call gate, which WoW64 needs" $segfault ./probe
    ;;
  wow64)
    # The kernel keeps the i386 gate WoW64 needs, so it runs i386 programs
    # too: an entry hands them to an interpreter that is not there.
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
    echo ":osver-no-i386:$(<scripts/i386-elf.binfmt)/nonexistent/i386-refused:" \
      >/proc/sys/fs/binfmt_misc/register
    check "arch-test i386 fails: i386 programs are refused" $refused arch-test i386
    check "the probe passes: 32-bit code runs in a 64-bit process" 0 ./probe
    ;;
  classic)
    check "arch-test -n i386 passes: i386 programs run, natively" 0 arch-test -n i386
    check "the probe passes: 32-bit code runs in a 64-bit process" 0 ./probe
    ;;
esac
for programs in "$@"; do
  echo "== $(<"$programs/tree")"
  OSVER_ROW_SECONDS=180 tests/windows/under-wine.sh /root/wineprefix \
    "$programs/osver.exe" "$programs/static_object.exe" "$programs/argument_count.exe" \
    scripts/check-report tests/windows/versions || failed=1
done
rm -f "$out"
exit "$failed"
