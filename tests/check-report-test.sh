#!/usr/bin/env bash
# scripts/check-report passes every expected report, with LF or CR LF line
# ends, and names its release as the report's file says; it rejects reports
# whose format or agreement is off, for the reason named, and names none.
# Usage: check-report-test.sh CHECKER VERSIONS-DIR
set -euo pipefail
checker=$1 versions=$2
source "$(dirname "$0")/windows/saved-report.sh"
failed=0

nt31=$'GetVersionEx failed. GetLastError = 127.\nverData 0.0 bld 0 [] plat:Win32s (0)
version.data =  2100A03\nversion.info.major = 3\nversion.info.minor = 10\nversion.info.platform = 210\n'
win95=$(report_in "$versions/win95.txt")$'\n'
win98=$(report_in "$versions/win98.txt")$'\n'
win2k=$(report_in "$versions/win2k.txt")$'\n'
winxp=$(report_in "$versions/winxp.txt")$'\n'
nt() { # MAJOR MINOR BUILD SERVICE-PACK: an NT release's report (a build below 32768)
  printf 'verData %d.%d bld %d [%s] plat:WinNT (2)\n' "$1" "$2" "$3" "$4"
  printf 'version.data = %8X\nversion.info.major = %d\n' $(($3 << 16 | $2 << 8 | $1)) "$1"
  printf 'version.info.minor = %d\nversion.info.platform = %X\n' "$2" "$3"
}

for version in "$versions"/*.txt; do
  expected=$(release_in "$version")
  for ending in lf crlf; do
    report=$(report_in "$version")$'\n'
    [ "$ending" = crlf ] && report=${report//$'\n'/$'\r\n'}
    if ! out=$(printf '%s' "$report" | "$checker") || [ "$out" != "$expected" ]; then
      echo "$(basename "$version") ($ending): $out (expected: $expected)"
      failed=1
    fi
  done
done
# name | report | the release it names: more that osver can write (given no NUL by the
# platform, the whole 128-byte service-pack field), and the table's edges.
x128=$(printf 'x%.0s' {1..128}) nl=$'\n'
none="matches no release in the table; nearest family:"
layer="; a program without a manifest sees these numbers only through a compatibility layer or a \
manifest"
good=(
  "NT 3.1|$nt31|Windows NT 3.1 (no GetVersionExA)"
  "failed query on XP|${nt31%%version.data*}${winxp#*"$nl"}|unknown: a failed GetVersionExA (error 127) \
with the packed word 5.1 build 2600 on WinNT $none Windows XP"
  "128-byte service pack|${winxp/Service Pack 3/$x128}|unknown: 5.1 build 2600 [$x128] on \
WinNT $none Windows XP"
  "a service pack 2000 never had|${win2k/Pack 4/Pack 5}|unknown: 5.0 build 2195 [Service Pack \
5] on WinNT $none Windows 2000"
  "shared numbers|$(nt 6 0 6001 'Service Pack 1')$nl|Windows Vista with Service Pack 1, or \
Windows Server 2008"
  "a listed 10.0 build|$(nt 10 0 20348 '')$nl|Windows Server 2022 or Azure Stack HCI \
21H2$layer"
  "an unlisted 10.0 build|$(nt 10 0 20350 '')$nl|unknown: 10.0 build 20350 [] on WinNT $none \
Windows 10 or 11, or Server 2016 or later"
  "OSR2|${win95/67109814 \[\]/67109975 [ B]}|Windows 95 OSR2, OSR2.1 or OSR2.5"
  "OSR2's build, no B|${win95/67109814/67109975}|unknown: 4.0 build 1111 [] on Win95 $none Windows 95"
  "unknown build|${win98/67766446/67766447}|unknown: 4.10 build 2223 [ A ] on Win95 $none Windows 98"
)
for row in "${good[@]}"; do
  release=${row##*|} report=${row#*|}
  if ! out=$(printf '%s' "${report%|*}" | "$checker") || [ "$out" != "release: $release" ]; then
    echo "${row%%|*}: said: $out (expected: release: $release)"
    failed=1
  fi
done

# name | report | what the checker must say
cr=$'\r' bom=$'\377\376' utf8bom=$'\357\273\277'
bad=(
  "UTF-16|${bom}v|UTF-16"
  "UTF-8 byte-order mark|$utf8bom$winxp|UTF-8 byte-order mark"
  "trailing blank lines|$winxp$nl$nl|ends in 2 blank lines"
  "mixed line ends|${winxp/$nl/$cr$nl}|mix of CR LF and LF"
  "no last line end|${winxp%"$nl"}|no line end"
  "four lines|${winxp#*"$nl"}|4 lines"
  "no failure line|junk$nl$winxp|line 1 is not the failure line"
  "zero-padded word|${winxp/=  A28/= 0A28}|right-aligned"
  "word too wide|${winxp/=  A28/=   A28}|right-aligned"
  "lower-case hex|${winxp/= A28$nl/= a28$nl}|not in its format"
  "wrong name|${winxp/plat:WinNT/plat:Win95}|is named Win95"
  "unsigned major|${win98/major = 4/major = 260}|do not match"
  "platform not widened|${win98/platform = FFFFC000/platform = C000}|do not match"
  "versions disagree|${winxp/verData 5.1/verData 5.2}|the record says 5.2"
  "NT build not in word|${winxp/bld 2600/bld 2601}|is not the build 2601"
  "95 family build|${win98/bld 67766446/bld 2222}|is not the version"
  "build beyond %d|${winxp/bld 2600/bld 4294969896}|beyond what %d writes"
  "platform beyond %d|${winxp/(2)/(-4294967294)}|beyond what %d writes"
  "minus zero|${winxp/verData 5.1/verData -0.1}|not in its format"
  "error code beyond %d|${nt31/= 127./= 2147483648.}|beyond what %d writes"
  "record after a failed query|${nt31/bld 0 /bld 2195 }|not the record as osver sets it up"
  "129-byte service pack|${winxp/Service Pack 3/${x128}x}|longer than its 128-byte field"
)
for row in "${bad[@]}"; do
  name=${row%%|*} reason=${row##*|}
  report=${row#*|}
  report=${report%|*}
  status=0
  out=$(printf '%s' "$report" | "$checker") || status=$?
  if [ "$status" -ne 1 ] || [[ "$out" != *"$reason"* || "$out" == *release:* ]]; then
    echo "$name: exit status $status, said: $out (expected: $reason)"
    failed=1
  fi
done

# Exit 2, with one line, for what cannot be read or a wrong command line;
# --help is usage on standard output and exit 0; UTF-16 without a mark
# (NUL bytes, which no shell variable holds) is named as UTF-16.
while IFS='|' read -r name status reason command; do
  actual=0
  out=$(eval "$command" 2>&1) || actual=$?
  if [ "$actual" -ne "$status" ] || [[ "$out" != *"$reason"* ]] ||
    { [ "$status" -eq 2 ] && [ "$(wc -l <<<"$out")" -ne 1 ]; }; then
    echo "$name: exit status $actual, said: $out (expected $status: $reason)"
    failed=1
  fi
done <<'ROWS'
help|0|Checks a saved osver report|"$checker" --help 2>/dev/null
missing file|2|cannot read /nonexistent/report.txt|"$checker" /nonexistent/report.txt
two files|2|usage|"$checker" a b
UTF-16 without a mark|1|UTF-16|printf 'v\0e\0r\0\r\0\n\0' | "$checker"
ROWS

# A floppy image holding the report as REPORT.TXT, as the release's does once
# A:\OSVER > A:\REPORT.TXT has run from it: the report's checks and exit
# statuses; where no report can be had, exit 2 with one line saying what is
# there. The file is never written to.
if ! command -v mformat >/dev/null; then
  echo "mtools is missing, which makes the images here: scripts/install-deps installs it"
  exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/long" "$work/utf16"
image="$work/floppy image.img" report=$work/REPORT.TXT
printf %s "${winxp//$nl/$cr$nl}" >"$report"
for _ in {1..10}; do cat "$report"; done >"$work/long/REPORT.TXT"
{ printf '\377\376' && iconv -f ASCII -t UTF-16LE "$report"; } >"$work/utf16/REPORT.TXT"
printf 'MZ' >"$work/OSVER.EXE"
# shellcheck disable=SC2317 # the rows call it, through eval
floppy() { # FILE...: $image, 1.44 MB as the release's, holding them
  rm -f "$image" && mformat -i "$image" -C -f 1440 -v OSVER :: && mcopy -i "$image" "$@" ::
}
# shellcheck disable=SC2317 # the rows call it, through eval
poke() { printf '%b' "$2" | dd of="$image" bs=1 seek="$1" conv=notrunc status=none; } # AT BYTES
while IFS='|' read -r name status said make; do
  eval "$make"
  cp "$image" "$work/before"
  actual=0
  out=$("$checker" "$image" 2>&1) || actual=$?
  if [ "$actual" -ne "$status" ] || { ((status == 0)) && [ "$out" != "$said" ]; } ||
    [[ "$out" != *"$said"* ]] || { ((status == 2)) && [ "$(wc -l <<<"$out")" -ne 1 ]; } ||
    ! cmp -s "$image" "$work/before"; then
    echo "$name: exit status $actual, said: $out (expected $status: $said)"
    cmp "$image" "$work/before" || echo "$name: the checker wrote to the image"
    failed=1
  fi
done <<'ROWS'
report|0|release: Windows XP, Service Pack 3|floppy "$work/OSVER.EXE" "$report"
report in scattered clusters|1|50 lines, not 5|floppy "$report" "$work/OSVER.EXE" && mdel -i "$image" ::REPORT.TXT && mcopy -i "$image" "$work/long/REPORT.TXT" ::
UTF-16 report|1|saved as UTF-16|floppy "$work/OSVER.EXE" "$work/utf16/REPORT.TXT"
no REPORT.TXT|2|is a FAT image with no REPORT.TXT in its root folder: OSVER.EXE|floppy "$report" "$work/OSVER.EXE" && mdel -i "$image" ::REPORT.TXT
truncated image|2|is a truncated FAT image: 737280 bytes of the 1474560 its boot sector says|floppy "$report" && truncate -s 737280 "$image"
cut in its boot sector|2|is a truncated FAT image: 100 bytes, less than its boot sector|floppy "$report" && truncate -s 100 "$image"
numbers beyond the file|2|numbers are no FAT12 file system's|floppy "$report" && poke 14 '\x88\x13'
a chain that loops, a length of 4 GB|2|hold 1457664 of REPORT.TXT's 4294967295 bytes|floppy "$report" && poke 515 '\x02\x00' && poke 9788 '\xff\xff\xff\xff'
zip|2|is neither a report nor a FAT image: it begins 50 4B 03 04, as a zip does|python3 -m zipfile -c "$image" "$report"
ROWS
exit "$failed"
