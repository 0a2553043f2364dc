#!/usr/bin/env bash
# The program as users and scripts run it, one named row per case: its exit
# status, its whole standard output, and nothing on standard error. Over the
# scripted platform the report is written out here; over the host it is what
# a plain run writes (check-report.native judges that one).
# Usage: program-test.sh OSVER OSVER_SCRIPTED
set -euo pipefail
osver=$1 scripted_program=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0

# row NAME STATUS EXPECTED-OUTPUT COMMAND...
row() {
  local name=$1 want=$2 status=0
  printf %s "$3" >"$scratch/expected"
  shift 3
  "$@" >"$scratch/out" 2>"$scratch/err" || status=$?
  if ! diff "$scratch/expected" "$scratch/out" || [ "$status" -ne "$want" ] ||
    [ -s "$scratch/err" ]; then
    echo "$name: exit status $status, expected $want; standard error: $(<"$scratch/err")"
    failed=1
  fi
}
# shellcheck disable=SC2317 # run by the rows
scripted() { env "$@" "$scripted_program"; }
source "$(dirname "$0")/streams.sh"
# The reader is gone before the program starts; signals as a shell leaves them.
# shellcheck disable=SC2317 # run by the rows
no_reader() {
  python3 -c 'import os, subprocess, sys
r, w = os.pipe()
os.close(r)
status = subprocess.call(sys.argv[1:], stdout=w)
sys.exit(128 - status if status < 0 else status)' "$@"
}

# The report over the scripted platform: Windows 2000 unless a row says else.
w2k='version.data =  8930005
version.info.major = 5
version.info.minor = 0
version.info.platform = 893
'
row WinNT 0 "verData 5.0 bld 2195 [] plat:WinNT (2)
$w2k" scripted
row Win32s 0 "verData 3.10 bld 0 [Win32s 1.3] plat:Win32s (0)
$w2k" scripted OSVER_RECORD='3 10 0 0' OSVER_CSD='Win32s 1.3'
row Win95BuildWhole 0 "verData 4.10 bld 67766446 [ A ] plat:Win95 (1)
$w2k" scripted OSVER_RECORD='4 10 0x040A08AE 1' OSVER_CSD=' A '
row Platform3 0 "verData 4.0 bld 1381 [] plat:Win?? (3)
$w2k" scripted OSVER_RECORD='4 0 1381 3'
row Platform4 0 "verData 6.1 bld 7601 [x] plat:Win?? (4)
$w2k" scripted OSVER_RECORD='6 1 7601 4' OSVER_CSD=x
row PlatformAllOnes 0 "verData 6.1 bld 7601 [] plat:Win?? (-1)
$w2k" scripted OSVER_RECORD='6 1 7601 0xFFFFFFFF'
row BuildTopBit 0 "verData 5.0 bld -2147483648 [] plat:WinNT (2)
$w2k" scripted OSVER_RECORD='5 0 0x80000000 2'
row SignedFields 0 "verData -1.-2 bld 2147483647 [] plat:WinNT (2)
$w2k" scripted OSVER_RECORD='0xFFFFFFFF 0xFFFFFFFE 0x7FFFFFFF 2'
row CsdUnchanged 0 "verData 5.1 bld 2600 [  Service Pack 3 %d%s ] plat:WinNT (2)
$w2k" scripted OSVER_RECORD='5 1 2600 2' OSVER_CSD='  Service Pack 3 %d%s '
x127=xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx
row CsdLongest 0 "verData 5.1 bld 2600 [$x127] plat:WinNT (2)
$w2k" scripted OSVER_RECORD='5 1 2600 2' OSVER_CSD="$x127"
# The platform filled all 128 bytes and left no NUL: the field, no more.
row CsdWithoutNul 0 "verData 5.1 bld 2600 [${x127}y] plat:WinNT (2)
$w2k" scripted OSVER_RECORD='5 1 2600 2' OSVER_CSD="${x127}yoverflow"

record='verData 5.0 bld 2195 [] plat:WinNT (2)'
row Windows98Word 0 "$record
version.data = C0000A04
version.info.major = 4
version.info.minor = 10
version.info.platform = FFFFC000
" scripted OSVER_WORD=0xC0000A04
row WordPaddedToEight 0 "$record
version.data =        4
version.info.major = 4
version.info.minor = 0
version.info.platform = 0
" scripted OSVER_WORD=4
row WordZero 0 "$record
version.data =        0
version.info.major = 0
version.info.minor = 0
version.info.platform = 0
" scripted OSVER_WORD=0
row WordNegativeBytes 0 "$record
version.data =     FF80
version.info.major = -128
version.info.minor = -1
version.info.platform = 0
" scripted OSVER_WORD=0x0000FF80
row WordAllOnes 0 "$record
version.data = FFFFFFFF
version.info.major = -1
version.info.minor = -1
version.info.platform = FFFFFFFF
" scripted OSVER_WORD=0xFFFFFFFF
row WordLargestPositivePlatform 0 "$record
version.data = 7FFF7F7F
version.info.major = 127
version.info.minor = 127
version.info.platform = 7FFF
" scripted OSVER_WORD=0x7FFF7F7F
row WordSmallestNegativePlatform 0 "$record
version.data = 80000000
version.info.major = 0
version.info.minor = 0
version.info.platform = FFFF8000
" scripted OSVER_WORD=0x80000000

# A failed query: the double leaves junk in the record, the line shows the
# record as the program set it up. NT 3.1 has no GetVersionExA: 127.
blank='verData 0.0 bld 0 [] plat:Win32s (0)'
for code in 87:87 122:122 0:0 127:127 0x80000000:-2147483648; do
  row "FailedQuery${code%:*}" 1 "GetVersionEx failed. GetLastError = ${code#*:}.
$blank
$w2k" scripted OSVER_ERROR="${code%:*}"
done
# A lost report outranks a failed query: nobody saw either.
row DevFullAfterFailedQuery 2 '' dev_full scripted OSVER_ERROR=87
row ClosedStdoutAfterFailedQuery 2 '' closed_stdout scripted OSVER_ERROR=87

# The native program: the command line and standard input change nothing.
report=$("$osver"; echo .)
report=${report%.}
many=()
for _ in {1..10000}; do many+=(arg); done
big=$(head -c 102400 /dev/zero | tr '\0' a)
row Plain 0 "$report" "$osver"
case $report in
  *"[$(uname -s) $(uname -r)] plat:Win?? (255)"*) ;;
  *) echo "Host: not this host's uname(2) in: $report" && failed=1 ;;
esac
row ClosedStdin 0 "$report" closed_stdin "$osver"
row Wildcards 0 "$report" "$osver" '*' '/*' '?' '*.*' '[!a]*' '~'
row Options 0 "$report" "$osver" --help -v '/?' -- -
row FormatDirectives 0 "$report" "$osver" '%s%s%s%n' %08X ''
row TenThousandArguments 0 "$report" "$osver" "${many[@]}"
row HundredKilobyteArgument 0 "$report" "$osver" "$big"
# Output that cannot be written is a lost report; as any POSIX tool, a
# reader that went away ends it by SIGPIPE.
row DevFull 2 '' dev_full "$osver"
row ClosedStdout 2 '' closed_stdout "$osver"
row PipeWithoutReader 141 '' no_reader "$osver"
exit "$failed"
