#!/usr/bin/env bash
# The Windows programs under Wine, one named row per case (docs/testing.md,
# "The suites"): each with its Windows version, exit status and whole report,
# every line ending in CR LF, and nothing on standard error. VERSIONS holds
# the reports written from each version's published numbers, each followed by
# its release line (saved-report.sh); a version without one must give a
# report CHECKER passes. IMAGE, the release's floppy image, is run as its
# README.TXT says, from drive A:. Where OSVER_ROW_SECONDS is set, each run of
# Wine ends within that many seconds or fails.
# Usage: under-wine.sh PREFIX OSVER STATIC-OBJECT ARGUMENT-COUNT CHECKER VERSIONS [IMAGE]
set -euo pipefail
here=$(dirname "$0")
# Whole paths: some rows run in a folder of their own.
mapfile -t paths < <(realpath -m -- "$@")
prefix=${paths[0]} osver=${paths[1]} static_object=${paths[2]} argument_count=${paths[3]}
checker=${paths[4]} versions=${paths[5]} image=${paths[6]:-}
source "$here/wine-env.sh" "$prefix"
scratch=$(mktemp -d)
cleanup() {
  wineserver --kill 2>/dev/null || true
  [ "$(readlink "$WINEPREFIX/dosdevices/a:")" != "$scratch/a" ] || rm "$WINEPREFIX/dosdevices/a:"
  rm -rf "$scratch"
}
trap cleanup EXIT

# The prefix, made once per build tree, and its server and services, kept
# running from the first row to the last (docs/testing.md, "Wine"); their
# streams are not this script's, which the test runner reads to their end.
set_up() {
  "$@" </dev/null >"$scratch/set-up" 2>&1 && return
  echo "FAILED: the prefix's set-up, at: $*; its output:"
  tail -n 20 "$scratch/set-up"
  exit 1
}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  rm -rf "$WINEPREFIX"
  set_up wineboot --init
  set_up wineserver --wait
fi
wineserver --kill 2>/dev/null || true
set_up wineserver --persistent=60
set_up wine wineboot

if [ -n "${OSVER_ROW_SECONDS:-}" ]; then
  wine() { timeout -k 10 "$OSVER_ROW_SECONDS" wine "$@"; }
fi

failed=() rows=0 told=
# row NAME WINDOWS-VERSION STATUS EXPECTED-REPORT COMMAND...
row() {
  local name=$1 version=$2 want=$3 status=0 start=$SECONDS
  printf %s "$4" | sed 's/$/\r/' >"$scratch/expected"
  shift 4
  if [ "$version" != "$told" ]; then
    windows_version "$version"
    told=$version
  fi
  rows=$((rows + 1))
  "$@" >"$scratch/out" 2>"$scratch/err" || status=$?
  if cmp -s "$scratch/expected" "$scratch/out" && [ "$status" -eq "$want" ] &&
    [ ! -s "$scratch/err" ]; then
    echo "ok: $name, under $version ($((SECONDS - start)) s)"
    return
  fi
  local late=
  ((status != 124 && status != 137)) || late="${OSVER_ROW_SECONDS:+ (not ended within $OSVER_ROW_SECONDS s)}"
  echo "FAILED: $name, under $version: exit status $status$late, expected $want; standard" \
    "error: $(<"$scratch/err")"
  diff <(cat -A "$scratch/expected") <(cat -A "$scratch/out") || true
  failed+=("$name")
}
source "$here/../streams.sh"
source "$here/saved-report.sh"
in_directory() { (cd "$1" && shift && "$@"); }
# A report no version's published numbers give: status 0 and the checker's
# pass; else the report, and the checker's reasons, on standard error.
checked() {
  wine "$@" >"$scratch/checked" || return
  said=$("$checker" "$scratch/checked") ||
    { echo "$said" >&2 && cat -A "$scratch/checked" >&2 && return 1; }
}

# Every version this Wine can tell a 32-bit program. winecfg lists the names
# it accepts, one a line, after its usage text: on standard output with
# CR LF (Wine 8), or on standard error with LF (Wine 10).
winecfg32 /? >"$scratch/usage" 2>&1 || true # it exits non-zero after its usage
mapfile -t offered < <(tr -d '\r' <"$scratch/usage" |
  sed -n '/^Valid versions/,$p' | sed -n 's/^ \{1,\}\([a-z0-9]\{1,\}\) \{2,\}.*/\1/p')
for version in "${offered[@]}"; do
  if [ -f "$versions/$version.txt" ]; then
    row "$version" "$version" 0 "$(report_in "$versions/$version.txt")"$'\n' wine "$osver"
  else
    row "$version" "$version" 0 "" checked "$osver"
  fi
done
# Each written report's version must be among them, but Windows 11 where
# Wine 8 runs, which does not offer it.
for report in "$versions"/*.txt; do
  version=$(basename "$report" .txt)
  if ! printf '%s\n' "${offered[@]}" | grep -qx "$version" &&
    ! [[ $version == win11 && $(wine --version) == wine-8.* ]]; then
    echo "FAILED: $version: this Wine does not offer it (it offers ${offered[*]})"
    failed+=("$version")
  fi
done

xp=$(report_in "$versions/winxp.txt")$'\n'
# The start-up: static objects and wildcards, with every program built so.
row StaticObject winxp 0 'constructed
main
destroyed
' wine "$static_object"
mkdir "$scratch/many"
(cd "$scratch/many" && touch f{1..3000}.txt)
row WildcardsExpanded winxp 0 '3001
' in_directory "$scratch/many" wine "$argument_count" '*.txt'
row Wildcards winxp 0 "$xp" in_directory "$scratch/many" wine "$osver" '*' '*.txt' 'f?.txt' '*/*'
mapfile -t many < <(yes a | head -n 10000)
row TenThousandArguments winxp 0 "$xp" wine "$osver" "${many[@]}"
row ClosedStdin winxp 0 "$xp" closed_stdin wine "$osver"
# A report that cannot be written exits 2.
row DevFull winxp 2 '' dev_full wine "$osver"
row ClosedStdout winxp 2 '' closed_stdout wine "$osver"

# Windows NT 3.1 has neither GetVersionExA nor SetUnhandledExceptionFilter.
# Wine has both, so osver runs with the name it looks up spelled wrong, as
# NT 3.1's KERNEL32 would answer it.
without() { # NAME REPLACEMENT COPY: osver with its one mention of NAME changed
  python3 -c 'import sys; program, name, replacement, copy = sys.argv[1:]
data, name = open(program, "rb").read(), name.encode() + b"\0"
if data.count(name) != 1: sys.exit(f"{program} names {name!r} {data.count(name)} times, not once")
open(copy, "wb").write(data.replace(name, replacement.encode() + b"\0"))' "$osver" "$@"
}
without GetVersionExA GetVersionExZ "$scratch/no-record-query.exe"
without SetUnhandledExceptionFilter SetUnhandledExceptionFiltez "$scratch/no-filter.exe"
row NoGetVersionExA winxp 1 'GetVersionEx failed. GetLastError = 127.
verData 0.0 bld 0 [] plat:Win32s (0)
version.data =  A280105
version.info.major = 5
version.info.minor = 1
version.info.platform = A28
' wine "$scratch/no-record-query.exe"
row NoSetUnhandledExceptionFilter winxp 0 "$xp" wine "$scratch/no-filter.exe"

# The floppy image: its OSVER.EXE, copied out with mtools into the folder
# that is drive A:, run by cmd as A:\OSVER (wine itself adds no .exe); its
# report saved by cmd as A:\REPORT.TXT, put into a copy of the image with
# mtools, and read back from the image by the checker, which must pass it
# and name Windows XP.
from_floppy() {
  wine cmd /c 'A:\OSVER > A:\REPORT.TXT' || return
  cp "$image" "$scratch/floppy.img"
  mcopy -i "$scratch/floppy.img" "$scratch/a/REPORT.TXT" :: || return
  if ! said=$("$checker" "$scratch/floppy.img" 2>&1) || [[ $said != "release: Windows XP"* ]]; then
    echo "the checker, on the image with the report: $said" >&2
    return 1
  fi
}
if [ -n "$image" ]; then
  mkdir "$scratch/a"
  mcopy -i "$image" ::OSVER.EXE "$scratch/a"
  ln -sfn "$scratch/a" "$WINEPREFIX/dosdevices/a:"
  row FloppyImage winxp 0 "$xp" wine cmd /c 'A:\OSVER'
  row FloppyImageReport winxp 0 "" from_floppy
fi

if [ "$(wine_field mode)" = wow64 ]; then
  rows=$((rows + 1))
  if "$here/check-no-i386.sh" "$prefix"; then
    echo "ok: NoI386"
  else
    failed+=(NoI386)
  fi
fi
if ((${#failed[@]})); then
  echo "under Wine: ${#failed[@]} of $rows rows failed: ${failed[*]}"
  exit 1
fi
echo "under Wine: $rows rows passed (${#offered[@]} Windows versions: ${offered[*]})"
