#!/usr/bin/env bash
# scripts/check-report passes every expected report, with LF or CR LF line
# ends, and rejects reports whose format or agreement is off, for the reason
# named.
# Usage: check-report-test.sh CHECKER RELEASES-DIR
set -euo pipefail
checker=$1 releases=$2
failed=0

nt31=$'GetVersionEx failed. GetLastError = 127.\nverData 0.0 bld 0 [] plat:Win32s (0)
version.data =  2100A03\nversion.info.major = 3\nversion.info.minor = 10\nversion.info.platform = 210\n'
win98=$(<"$releases/win98.txt")$'\n'
winxp=$(<"$releases/winxp.txt")$'\n'

for release in "$releases"/*.txt; do
  for ending in lf crlf; do
    report=$(<"$release")$'\n'
    [ "$ending" = crlf ] && report=${report//$'\n'/$'\r\n'}
    if ! out=$(printf '%s' "$report" | "$checker"); then
      echo "rejected $(basename "$release") ($ending): $out"
      failed=1
    fi
  done
done
if ! out=$(printf '%s' "$nt31" | "$checker"); then
  echo "rejected the NT 3.1 report: $out"
  failed=1
fi

# name | report | what the checker must say
nl=$'\n' cr=$'\r' bom=$'\377\376'
bad=(
  "UTF-16|${bom}v|UTF-16"
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
)
for row in "${bad[@]}"; do
  IFS='|' read -r -d '' name report reason <<<"$row" || true
  reason=${reason%$'\n'}
  status=0
  out=$(printf '%s' "$report" | "$checker") || status=$?
  if [ "$status" -ne 1 ] || [[ "$out" != *"$reason"* ]]; then
    echo "$name: exit status $status, said: $out (expected: $reason)"
    failed=1
  fi
done
exit "$failed"
