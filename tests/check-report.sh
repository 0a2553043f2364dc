#!/usr/bin/env bash
# shellcheck disable=SC2034 # the rows' tables name variables, through expand
# The checker's cases (tests/lib.sh): it passes every saved report and names
# its release, with LF or CR LF line ends; it refuses broken reports for the
# reason named; on anything else it answers 0, 1 or 2 as its --help says,
# exit 2 with one line, never a traceback, never writing to an image; and it
# and the scripted platform agree both ways (checker-properties.py).
# Usage: check-report.sh CASE CHECKER OSVER_SCRIPTED VERSIONS-DIR VERSION
source "$(dirname "$0")/lib.sh"
checker=$1 scripted_program=$2 versions=$3 project_version=$4
properties=$(dirname "$0")/checker-properties.py
checker() { "$python" "$checker" "$@"; }
feed() { printf %s "$1" | env "${@:2}" "$python" "$checker"; } # REPORT [SETTING...]

# says STATUS TEXT COMMAND...: COMMAND, the checker, exits STATUS; on 0 it
# writes the line TEXT; on 1 reasons, one holding TEXT; on 2 one line holding
# TEXT on standard error alone.
says() {
  local want=$1 text=$2 status=0 out err
  shift 2
  "$@" >"$scratch/out" 2>"$scratch/err" || status=$?
  out=$(<"$scratch/out") err=$(<"$scratch/err")
  case $want:$status in
    0:0) [ "$out" = "$text" ] && [ -z "$err" ] && return ;;
    1:1) [[ $out == *"$text"* && $out != *release:* && -z $err ]] &&
      ! grep -qv '^check-report: ' "$scratch/out" && return ;;
    2:2) [[ $err == *"$text"* && -z $out && $(wc -l <"$scratch/err") == 1 ]] && return ;;
  esac
  echo "exit status $status, expected $want with: $text"
  echo "standard output: $out"
  echo "standard error: $err"
  return 1
}

# Each version's saved report, with both line ends, and the scripted
# platform writes it again from its numbers.
saved() {
  local report
  report=$(report_in "$1")$'\n'
  says 0 "$(release_in "$1")" feed "$report" &&
    says 0 "$(release_in "$1")" feed "${report//$'\n'/$'\r\n'}" &&
    "$python" "$properties" remake "$checker" "$scripted_program" "$1"
}
for version in "$versions"/*.txt; do
  row "saved.$(basename "$version" .txt)" saved "$version"
done

nl=$'\n' cr=$'\r' tab=$'\t' esc=$'\e' bs=\\ nbsp=$'\xa0' nel=$'\x85' e_acute=$'\xe9' del=$'\x7f'
nt31=$'GetVersionEx failed. GetLastError = 127.\nverData 0.0 bld 0 [] plat:Win32s (0)
version.data =  2100A03\nversion.info.major = 3\nversion.info.minor = 10
version.info.platform = 210\n'
win31=$(report_in "$versions/win31.txt")$nl win95=$(report_in "$versions/win95.txt")$nl
win98=$(report_in "$versions/win98.txt")$nl win2k=$(report_in "$versions/win2k.txt")$nl
winxp=$(report_in "$versions/winxp.txt")$nl
nt() { # MAJOR MINOR BUILD SERVICE-PACK: an NT release's report (a build below 32768)
  printf 'verData %d.%d bld %d [%s] plat:WinNT (2)\n' "$1" "$2" "$3" "$4"
  printf 'version.data = %8X\nversion.info.major = %d\n' $(($3 << 16 | $2 << 8 | $1)) "$1"
  printf 'version.info.minor = %d\nversion.info.platform = %X\n' "$2" "$3"
}
x128=$(printf 'x%.0s' {1..128})
none="matches no release in the table; nearest family:"
layer="; a program without a manifest sees these numbers only through a compatibility layer or \
a manifest"
failed=${nt31%%version.data*}
# name|report|the release it names: more that osver can write (given no NUL by the
# platform, the whole 128-byte service-pack field), and the table's edges.
expand() { eval "printf '%s.' \"$1\""; } # TEXT: with the variables it names, and a dot
while IFS='|' read -r name report release; do
  report=$(expand "$report") release=$(expand "$release")
  row "$name" says 0 "release: ${release%.}" feed "${report%.}"
done <<'ROWS'
nt31|$nt31|Windows NT 3.1 (no GetVersionExA)
failed-query-on-xp|$failed${winxp#*"$nl"}|unknown: a failed GetVersionExA (error 127) with the packed word 5.1 build 2600 on WinNT matches no release in the table; nearest family: Windows XP
failed-query-on-98|${failed/127/87}${win98#*"$nl"}|unknown: a failed GetVersionExA (error 87) with the packed word 4.10 (not NT) matches no release in the table; nearest family: Windows 98
failed-query-other-error-on-nt31|${nt31/= 127./= 87.}|unknown: a failed GetVersionExA (error 87) with the packed word 3.10 build 528 on WinNT $none Windows NT 3.1
failed-query-word-of-80000000|$(sed 's/ 2100A03/80000000/; s/major = 3/major = 0/; s/minor = 10/minor = 0/; s/platform = 210/platform = FFFF8000/' <<<"$nt31")$nl|unknown: a failed GetVersionExA (error 127) with the packed word 0.0 (not NT) $none Win32s on Windows 3.1
failed-query-on-win32s|${failed/127/-1}${win31#*"$nl"}|unknown: a failed GetVersionExA (error -1) with the packed word 3.10 (not NT) matches no release in the table; nearest family: Win32s on Windows 3.1
service-pack-of-128-bytes|${winxp/Service Pack 3/$x128}|unknown: 5.1 build 2600 [$x128] on WinNT $none Windows XP
service-pack-2000-never-had|${win2k/Pack 4/Pack 5}|unknown: 5.0 build 2195 [Service Pack 5] on WinNT $none Windows 2000
shared-numbers|$(nt 6 0 6001 'Service Pack 1')$nl|Windows Vista with Service Pack 1, or Windows Server 2008
listed-10.0-build|$(nt 10 0 20348 '')$nl|Windows Server 2022 or Azure Stack HCI 21H2$layer
unlisted-10.0-build|$(nt 10 0 20350 '')$nl|unknown: 10.0 build 20350 [] on WinNT $none Windows 10 or 11, or Server 2016 or later
osr2|${win95/67109814 \[\]/67109975 [ B]}|Windows 95 OSR2, OSR2.1 or OSR2.5
osr2-build-without-b|${win95/67109814/67109975}|unknown: 4.0 build 1111 [] on Win95 $none Windows 95
unknown-build|${win98/67766446/67766447}|unknown: 4.10 build 2223 [ A ] on Win95 $none Windows 98
letter-in-tabs|${win98/ A /${tab}A$tab}|unknown: 4.10 build 2222 [\x09A\x09] on Win95 $none Windows 98
letter-in-other-blanks|${win98/ A /${nbsp}A$nel}|unknown: 4.10 build 2222 [\xa0A\x85] on Win95 $none Windows 98
escape-sequence|${winxp/Service Pack 3/${esc}[31mred$bs$del}|unknown: 5.1 build 2600 [\x1b[31mred\x5c\x7f] on WinNT $none Windows XP
ROWS
row cp1252-output says 0 "release: unknown: 5.0 build 2195 [Service Pack 4\xe9] on WinNT $none \
Windows 2000" feed "${win2k/Pack 4/Pack 4$e_acute}" PYTHONIOENCODING=cp1252

# name|report|what the checker must say
bom=$'\377\376' utf8bom=$'\357\273\277'
while IFS='|' read -r name report reason; do
  report=$(expand "$report") reason=$(expand "$reason")
  row "$name" says 1 "${reason%.}" feed "${report%.}"
done <<'ROWS'
utf-16|${bom}v|UTF-16
utf-8-byte-order-mark|$utf8bom$winxp|UTF-8 byte-order mark
trailing-blank-lines|$winxp$nl$nl|ends in 2 blank lines
mixed-line-ends|${winxp/$nl/$cr$nl}|mix of CR LF and LF
no-last-line-end|${winxp%"$nl"}|no line end
four-lines|${winxp#*"$nl"}|4 lines
no-failure-line|junk$nl$winxp|line 1 is not the failure line
zero-padded-word|${winxp/=  A28/= 0A28}|right-aligned
word-too-wide|${winxp/=  A28/=   A28}|right-aligned
lower-case-hex|${winxp/= A28$nl/= a28$nl}|not in its format
wrong-name|${winxp/plat:WinNT/plat:Win95}|is named Win95
unsigned-major|${win98/major = 4/major = 260}|do not match
major-beyond-a-byte|${win98/major = 4/major = 128}|version.info.major 128 is beyond what a signed byte holds
minor-beyond-a-byte|${win98/minor = 10/minor = -129}|version.info.minor -129 is beyond what a signed byte holds
platform-not-widened|${win98/platform = FFFFC000/platform = C000}|do not match
platform-of-8000|${win98/platform = FFFFC000/platform = 8000}|version.info.platform 8000 is no signed half-word
platform-of-ffff7fff|${win98/platform = FFFFC000/platform = FFFF7FFF}|version.info.platform FFFF7FFF is no signed half-word
versions-disagree|${winxp/verData 5.1/verData 5.2}|the record says 5.2
nt-build-not-in-word|${winxp/bld 2600/bld 2601}|is not the build 2601
95-family-build|${win98/bld 67766446/bld 2222}|is not the version
win32s-top-bit|$(sed 's/80000A03/     A03/; s/FFFF8000/0/' <<<"$win31")$nl|platform 0 but the word's top bit is clear
95-family-top-bit|${win98/C0000A04/40000A04}|platform 1 but the word's top bit is clear
build-beyond-%d|${winxp/bld 2600/bld 4294969896}|beyond what %d writes
eleven-digits|${winxp/bld 2600/bld 26000000000}|line 1 is not in its format
thousands-of-digits|${winxp/bld 2600/bld $(printf 9%.0s {1..5000})}|more than 1024 bytes
platform-beyond-%d|${winxp/(2)/(-4294967294)}|beyond what %d writes
minus-zero|${winxp/verData 5.1/verData -0.1}|not in its format
error-code-beyond-%d|${nt31/= 127./= 2147483648.}|beyond what %d writes
record-after-a-failed-query|${nt31/bld 0 /bld 2195 }|not the record as osver sets it up
service-pack-of-129-bytes|${winxp/Service Pack 3/${x128}x}|longer than its 128-byte field
control-bytes-in-a-line|${winxp/=  A28/= $esc[2J}|line 2 is not in its format: 'version.data = \x1b[2J0105'
ROWS
row ascii-locale says 1 "line 1 is not in its format: 'verData 5.\xe9" \
  feed "${winxp/5.1/5.$e_acute}" LC_ALL=C PYTHONUTF8=0
utf16be() {
  "$python" -c 'import sys; sys.stdout.buffer.write(sys.argv[1].encode("utf-16-be"))' "$1" | checker
}
row utf-16-big-endian-without-a-mark says 1 UTF-16 utf16be "$winxp"

# Exit 2, with one line, for what cannot be read, holds no report, cannot
# be written to, or a wrong command line; --help is usage, and exit 0.
helped() { checker --help >"$scratch/help" && [[ $(<"$scratch/help") == "Checks a saved"* ]]; }
row help helped
row missing-file says 2 "cannot read '/nonexistent/report.txt': No such file or directory" \
  checker /nonexistent/report.txt
row file-named-nothing says 2 "cannot read '': No such file or directory" checker ''
row newline-in-a-name says 2 "cannot read '/nonexistent/a\x0ab': No such" \
  checker $'/nonexistent/a\nb'
row directory says 2 "cannot read '/': Is a directory" checker /
row read-that-fails says 2 "cannot read '/proc/self/mem': Input/output error" checker /proc/self/mem
row two-files says 2 usage checker a b
row unknown-option says 2 usage checker -x
row empty-file says 2 "is empty: no report" checker /dev/null
row dev-zero says 2 "2949121 zero bytes or more, as a blank disk is: no report" checker /dev/zero
row stdin-closed says 2 "cannot read standard input: it is closed" closed_stdin checker
row stdin-closed-dash says 2 "cannot read standard input: it is closed" closed_stdin checker -
row stdout-full says 2 "cannot write standard output: No space left on device" \
  dev_full feed "$winxp"
row stdout-closed says 2 "cannot write standard output: it is closed" closed_stdout feed "$winxp"
quiet() { expect 2 '' no_reader "$python" "$checker" "$@"; } # the reader's gone: not a word
row pipe-without-reader quiet "$versions/winxp.txt"
sparse() { truncate -s 4G "$scratch/sparse" && checker "$scratch/sparse"; }
row sparse-4-gb says 2 "2949121 zero bytes or more, as a blank disk is: no report" sparse
bounded() {
  head -c 200M <(yes "$winxp") >"$scratch/big" && (ulimit -v 250000 && checker "$scratch/big")
}
row 200-mb-in-250-mb-of-memory says 1 "more than 1024 bytes" bounded
# A stream left non-blocking, empty until the report comes.
nonblocking() {
  "$python" -c 'import os, subprocess, sys, time
r, w = os.pipe()
os.set_blocking(r, False)
checker = subprocess.Popen(sys.argv[1:], stdin=r)
time.sleep(0.5)
os.write(w, sys.stdin.buffer.read())
os.close(w)
sys.exit(checker.wait())' "$python" "$checker" <<<"${winxp%"$nl"}"
}
row nonblocking-stdin says 0 "release: Windows XP, Service Pack 3" nonblocking

# A floppy image holding the report as REPORT.TXT, as the release's does once
# A:\OSVER > A:\REPORT.TXT has run from it, the image told apart from any
# other, and never written to.
image="$scratch/floppy image.img" report=$scratch/REPORT.TXT exe=$scratch/OSVER.EXE
floppy() { # FILE...: $image, 1.44 MB as the release's, holding them
  mkdir -p "$scratch/long" "$scratch/utf16" "$scratch/empty"
  printf %s "${winxp//$nl/$cr$nl}" >"$report"
  for _ in 1 2 3 4; do cat "$report"; done >"$scratch/long/REPORT.TXT"
  { printf '\377\376' && iconv -f ASCII -t UTF-16LE "$report"; } >"$scratch/utf16/REPORT.TXT"
  : >"$scratch/empty/REPORT.TXT"
  printf MZ >"$exe"
  rm -f "$image" && mformat -i "$image" -C -f 1440 -v OSVER :: && mcopy -i "$image" "$@" ::
}
poke() { printf '%b' "$2" | dd of="$image" bs=1 seek="$1" conv=notrunc status=none; } # AT BYTES
# imaged STATUS TEXT MAKE: MAKE makes the image; the checker says TEXT of it.
imaged() {
  eval "$3" || return
  cp "$image" "$scratch/before"
  says "$1" "$2" checker "$image" || return
  cmp "$image" "$scratch/before" || { echo "the checker wrote to the image" && return 1; }
}
# The root folder is at 9728: the label, then each file, 32 bytes each.
while IFS='|' read -r name status said make; do
  row "image.$name" imaged "$status" "$said" "$make"
done <<'ROWS'
report|0|release: Windows XP, Service Pack 3|floppy "$exe" "$report"
begins-with-a-near-jump|0|release: Windows XP, Service Pack 3|floppy "$exe" "$report" && poke 0 '\xe9'
report-in-scattered-clusters|1|20 lines, not 5|floppy "$report" "$exe" && mdel -i "$image" ::REPORT.TXT && mcopy -i "$image" "$scratch/long/REPORT.TXT" ::
utf-16-report|1|saved as UTF-16|floppy "$exe" "$scratch/utf16/REPORT.TXT"
no-report-txt|2|is a FAT image with no REPORT.TXT in its root folder: OSVER.EXE|floppy "$report" "$exe" && mdel -i "$image" ::REPORT.TXT
empty-report-txt|2|is a FAT image whose REPORT.TXT is empty|floppy "$exe" "$scratch/empty/REPORT.TXT"
blank|2|is 1474560 zero bytes, as a blank disk is: no report|rm -f "$image" && truncate -s 1474560 "$image"
truncated|2|is a truncated FAT image: 737280 bytes of the 1474560 its boot sector says|floppy "$report" && truncate -s 737280 "$image"
cut-in-its-boot-sector|2|is a truncated FAT image: 511 bytes, less than its boot sector|floppy "$report" && truncate -s 511 "$image"
numbers-beyond-the-file|2|numbers are no FAT12 file system's|floppy "$report" && poke 14 '\x88\x13'
zero-bytes-per-sector|2|numbers are no FAT12 file system's|floppy "$report" && poke 11 '\x00\x00'
zero-sectors-per-cluster|2|numbers are no FAT12 file system's|floppy "$report" && poke 13 '\x00'
no-reserved-sector|2|numbers are no FAT12 file system's|floppy "$report" && poke 14 '\x00\x00'
no-fat|2|numbers are no FAT12 file system's|floppy "$report" && poke 16 '\x00'
no-root-folder|2|numbers are no FAT12 file system's|floppy "$report" && poke 17 '\x00\x00'
no-fat-sectors|2|numbers are no FAT12 file system's|floppy "$report" && poke 22 '\x00\x00'
fat-a-sector-short|2|numbers are no FAT12 file system's|floppy "$report" && poke 22 '\x08\x00'
fat16|2|is a FAT image of 4085 clusters, 2111488 bytes: a disk's, no floppy's FAT12|floppy "$report" && poke 22 '\x0c\x00' && poke 19 '\x1c\x10'
larger-than-a-floppy|2|is a FAT image of 63 clusters, 4194304 bytes: a disk's, no floppy's FAT12|floppy "$report" && poke 13 '\x80' && poke 19 '\x00\x20'
no-55-aa|2|is not a FAT image: it begins with a jump, but has no boot sector's 55 AA|floppy "$report" && poke 510 '\x00'
end-of-folder-first|2|is a FAT image with no REPORT.TXT in its root folder: no file|floppy "$exe" "$report" && poke 9760 '\x00'
name-padded-with-tabs|2|root folder: OSVER.EXE, REPORT\x09\x09.TXT|floppy "$exe" "$report" && poke 9798 '\t\t'
newline-in-a-name|2|root folder: OSV\x0aR.EXE|floppy "$exe" && poke 9763 '\n'
chain-that-loops|2|is a FAT image whose REPORT.TXT's clusters loop, at cluster 2|floppy "$report" && poke 515 '\x02\x00' && poke 9788 '\xff\xff\xff\xff'
chain-broken|2|is a FAT image whose clusters hold 512 of REPORT.TXT's 624 bytes|floppy "$scratch/long/REPORT.TXT" && poke 515 '\x00\x00'
zip|2|is neither a report nor a FAT image: it begins 50 4B 03 04, as a zip does|"$python" -m zipfile -c "$image" "$versions/winxp.txt"
ROWS

# Properties over generated and mutated inputs, and the README's examples
# against what the program writes (checker-properties.py).
for property in any-input program-to-checker checker-to-program; do
  row "property.$property" "$python" "$properties" "$property" "$checker" "$scripted_program" \
    "$versions"
done
top=$(dirname "$0")/..
row readme-examples "$python" "$properties" examples "$checker" "$scripted_program" \
  "$top/README.md" "$top/platform/windows/README.TXT.in"
named() { # the osver version the README names is the project's
  local named
  named=$(grep -oE 'osver-[0-9.]*[0-9]|version \([0-9.]+\)' "$top/README.md" |
    grep -oE '[0-9]+(\.[0-9]+)+' | sort -u)
  [ "$named" = "$project_version" ] ||
    { echo "README.md names '$named', the project is $project_version" && return 1; }
}
row readme-version named
rows_end
