#!/bin/bash
# The test machine's checks of 32-bit x86 code (tests/lib.sh), for MODE:
# no-ia32 (booted with ia32_emulation=0), wow64 or classic.
# Usage: checks.sh CASE MODE
source "$(dirname "$0")/../lib.sh"
mode=$1
exits() { # STATUS COMMAND...: the command exits STATUS (in a subshell, which
  local want=$1 status=0 # keeps the shell's word on a fault in the output)
  shift
  ("$@" || exit) >"$scratch/out" 2>&1 || status=$?
  ((status == want)) || { echo "exit status $status, expected $want:" && cat "$scratch/out" && return 1; }
}
# arch-test says 1 for a refused architecture; 139 is a death by SIGSEGV.
refused=1 segfault=139
# The kernel keeps the i386 gate WoW64 needs, so it runs i386 programs too:
# an entry hands them to an interpreter that is not there.
refuse_i386() {
  mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc &&
    echo ":osver-no-i386:$(<scripts/i386-elf.binfmt)/nonexistent/i386-refused:" \
      >/proc/sys/fs/binfmt_misc/register
}
case $mode in
  no-ia32)
    row ArchTestRefusesI386 exits $refused arch-test i386
    row FarCallReturns exits 0 ./probe --far-call-only
    row ProbeDiesAtTheI386Gate exits $segfault ./probe
    ;;
  wow64)
    row I386ProgramsRefused refuse_i386
    row ArchTestRefusesI386 exits $refused arch-test i386
    row ProbePasses exits 0 ./probe
    ;;
  classic)
    row ArchTestRunsI386Natively exits 0 arch-test -n i386
    row ProbePasses exits 0 ./probe
    ;;
esac
rows_end
