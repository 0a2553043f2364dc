#!/usr/bin/env bash
# scripts/check-report passes every expected report, with LF or CR LF line
# ends, and rejects reports whose format or agreement is off, for the reason
# named.
# Usage: check-report-test.sh CHECKER VERSIONS-DIR
set -euo pipefail
checker=$1 versions=$2
failed=0

nt31=$'GetVersionEx failed. GetLastError = 127.\nverData 0.0 bld 0 [] plat:Win32s (0)
version.data =  2100A03\nversion.info.major = 3\nversion.info.minor = 10\nversion.info.platform = 210\n'
win98=$(<"$versions/win98.txt")$'\n'
winxp=$(<"$versions/winxp.txt")$'\n'

for version in "$versions"/*.txt; do
  for ending in lf crlf; do
    report=$(<"$version")$'\n'
    [ "$ending" = crlf ] && report=${report//$'\n'/$'\r\n'}
    if ! out=$(printf '%s' "$report" | "$checker"); then
      echo "rejected $(basename "$version") ($ending): $out"
      failed=1
    fi
  done
done
# name | report: more that osver can write. Given no NUL by the platform, it
# prints the whole 128-byte service-pack field.
x128=$(printf 'x%.0s' {1..128})
good=(
  "NT 3.1|$nt31"
  "128-byte service pack|${winxp/Service Pack 3/$x128}"
)
for row in "${good[@]}"; do
  if ! out=$(printf '%s' "${row#*|}" | "$checker"); then
    echo "rejected ${row%%|*}: $out"
    failed=1
  fi
done

# name | report | what the checker must say
nl=$'\n' cr=$'\r' bom=$'\377\376' utf8bom=$'\357\273\277'
bad=(
  "UTF-16|${bom}v|UTF-16"
  "UTF-8 byte-order mark|$utf8bom$winxp|UTF-8 byte-order mark"
  "trailing blank lines|$winxp$nl$nl|ends in 2 blank lines"
  "mixed line ends|${winxp/$nl/$cr$nl}|mix of CR LF and LF"
  "no last line end|${winxp%$nl}|no line end"
  "four lines|${winxp#*$nl}|4 lines"
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
  if [ "$status" -ne 1 ] || [[ "$out" != *"$reason"* ]]; then
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
exit "$failed"
