#!/usr/bin/env bash
# The program's cases (tests/lib.sh): its exit status, its whole standard
# output, and nothing on standard error. Over the scripted platform the
# report is written out here, and the checker must pass it; over the host it
# is what a plain run writes, with any command line and streams.
# Usage: program.sh CASE OSVER OSVER_SCRIPTED CHECKER
source "$(dirname "$0")/lib.sh"
osver=$1 scripted_program=$2 checker=$3

# report STATUS TEXT SETTING...: the scripted platform, so set, writes TEXT
# and exits STATUS, and the checker passes TEXT.
report() {
  local want=$1 text=$2
  shift 2
  expect "$want" "$text" env "$@" "$scripted_program" || return
  printf %s "$text" | "$python" "$checker" >"$scratch/checked" ||
    { cat "$scratch/checked" && return 1; }
}
# The packed words of Windows 2000, XP, 98 and Win32s, each after its record line.
w2k=$'version.data =  8930005\nversion.info.major = 5\nversion.info.minor = 0
version.info.platform = 893\n'
xp=$'version.data =  A280105\nversion.info.major = 5\nversion.info.minor = 1
version.info.platform = A28\n'
w98=$'version.data = C0000A04\nversion.info.major = 4\nversion.info.minor = 10
version.info.platform = FFFFC000\n'
x127=$(printf 'x%.0s' {1..127})
row WinNT report 0 "verData 5.0 bld 2195 [] plat:WinNT (2)
$w2k"
row Win32s report 0 "verData 3.10 bld 0 [Win32s 1.3] plat:Win32s (0)
version.data = 80000A03
version.info.major = 3
version.info.minor = 10
version.info.platform = FFFF8000
" OSVER_RECORD='3 10 0 0' OSVER_CSD='Win32s 1.3' OSVER_WORD=0x80000A03
row Win95BuildWhole report 0 "verData 4.10 bld 67766446 [ A ] plat:Win95 (1)
$w98" OSVER_RECORD='4 10 0x040A08AE 1' OSVER_CSD=' A ' OSVER_WORD=0xC0000A04
row Platform3 report 0 "verData 5.1 bld 2600 [] plat:Win?? (3)
$xp" OSVER_RECORD='5 1 2600 3' OSVER_WORD=0x0A280105
row Platform4 report 0 "verData 5.1 bld 2600 [x] plat:Win?? (4)
$xp" OSVER_RECORD='5 1 2600 4' OSVER_CSD=x OSVER_WORD=0x0A280105
row PlatformAllOnes report 0 "verData 5.1 bld 2600 [] plat:Win?? (-1)
$xp" OSVER_RECORD='5 1 2600 0xFFFFFFFF' OSVER_WORD=0x0A280105
# The whole field, as signed decimal; on the 95 family its high half-word is the version.
row BuildTopBit report 0 "verData 128.0 bld -2147483648 [] plat:Win95 (1)
version.data = C0000080
version.info.major = -128
version.info.minor = 0
version.info.platform = FFFFC000
" OSVER_RECORD='128 0 0x80000000 1' OSVER_WORD=0xC0000080
row SignedFields report 0 "verData -1.-2 bld 2147483647 [] plat:Win?? (5)
version.data =     FEFF
version.info.major = -1
version.info.minor = -2
version.info.platform = 0
" OSVER_RECORD='0xFFFFFFFF 0xFFFFFFFE 0x7FFFFFFF 5' OSVER_WORD=0xFEFF
row CsdUnchanged report 0 "verData 5.1 bld 2600 [  Service Pack 3 %d%s ] plat:WinNT (2)
$xp" OSVER_RECORD='5 1 2600 2' OSVER_CSD='  Service Pack 3 %d%s ' OSVER_WORD=0x0A280105
row CsdLongest report 0 "verData 5.1 bld 2600 [$x127] plat:WinNT (2)
$xp" OSVER_RECORD='5 1 2600 2' OSVER_CSD="$x127" OSVER_WORD=0x0A280105
# The platform filled all 128 bytes and left no NUL: the field, no more.
row CsdWithoutNul report 0 "verData 5.1 bld 2600 [${x127}y] plat:WinNT (2)
$xp" OSVER_RECORD='5 1 2600 2' OSVER_CSD="${x127}yoverflow" OSVER_WORD=0x0A280105

# The packed word's views, each after the record that agrees with it.
row WordPaddedToEight report 0 "verData 4.0 bld 0 [] plat:WinNT (2)
version.data =        4
version.info.major = 4
version.info.minor = 0
version.info.platform = 0
" OSVER_RECORD='4 0 0 2' OSVER_WORD=4
row WordZero report 0 "verData 0.0 bld 0 [] plat:WinNT (2)
version.data =        0
version.info.major = 0
version.info.minor = 0
version.info.platform = 0
" OSVER_RECORD='0 0 0 2' OSVER_WORD=0
row WordNegativeBytes report 0 "verData 128.255 bld 0 [] plat:WinNT (2)
version.data =     FF80
version.info.major = -128
version.info.minor = -1
version.info.platform = 0
" OSVER_RECORD='128 255 0 2' OSVER_WORD=0x0000FF80
row WordAllOnes report 0 "verData 255.255 bld 0 [] plat:Win32s (0)
version.data = FFFFFFFF
version.info.major = -1
version.info.minor = -1
version.info.platform = FFFFFFFF
" OSVER_RECORD='255 255 0 0' OSVER_WORD=0xFFFFFFFF
row WordLargestPositivePlatform report 0 "verData 127.127 bld 32767 [] plat:WinNT (2)
version.data = 7FFF7F7F
version.info.major = 127
version.info.minor = 127
version.info.platform = 7FFF
" OSVER_RECORD='127 127 32767 2' OSVER_WORD=0x7FFF7F7F
row WordSmallestNegativePlatform report 0 "verData 0.0 bld 0 [] plat:Win32s (0)
version.data = 80000000
version.info.major = 0
version.info.minor = 0
version.info.platform = FFFF8000
" OSVER_RECORD='0 0 0 0' OSVER_WORD=0x80000000

# A failed query: the double leaves junk in the record, the line shows the
# record as the program set it up. NT 3.1 has no GetVersionExA: 127.
blank='verData 0.0 bld 0 [] plat:Win32s (0)'
for code in 87:87 122:122 0:0 127:127 0x80000000:-2147483648; do
  row "FailedQuery${code%:*}" report 1 "GetVersionEx failed. GetLastError = ${code#*:}.
$blank
$w2k" OSVER_ERROR="${code%:*}"
done
# A lost report outranks a failed query: nobody saw either.
row DevFullAfterFailedQuery expect 2 '' dev_full env OSVER_ERROR=87 "$scripted_program"
row ClosedStdoutAfterFailedQuery expect 2 '' closed_stdout env OSVER_ERROR=87 "$scripted_program"

# The native program: the command line and standard input change nothing,
# and the checker passes what it writes.
same() { # COMMAND...: exits 0 and writes what a plain run writes
  local report
  report=$("$osver" && echo .) || return
  expect 0 "${report%.}" "$@"
}
host() {
  local report
  report=$("$osver") || return
  case $report in
    *"[$(uname -s) $(uname -r)] plat:Win?? (255)"*) ;;
    *) echo "not this host's uname(2) in: $report" && return 1 ;;
  esac
  printf '%s\n' "$report" | "$python" "$checker"
}
row Host host
row Plain same "$osver"
row ClosedStdin same closed_stdin "$osver"
row Wildcards same "$osver" '*' '/*' '?' '*.*' '[!a]*' '~'
row Options same "$osver" --help -v '/?' -- -
row FormatDirectives same "$osver" '%s%s%s%n' %08X ''
many() { mapfile -t many < <(yes arg | head -n 10000) && same "$osver" "${many[@]}"; }
row TenThousandArguments many
row HundredKilobyteArgument same "$osver" "$(printf 'a%.0s' {1..102400})"
# Output that cannot be written is a lost report; as any POSIX tool, a
# reader that went away ends it by SIGPIPE.
row DevFull expect 2 '' dev_full "$osver"
row ClosedStdout expect 2 '' closed_stdout "$osver"
row PipeWithoutReader expect 141 '' no_reader "$osver"
rows_end
