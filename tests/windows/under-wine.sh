#!/usr/bin/env bash
# The Windows programs' cases under Wine (tests/lib.sh), run by EMULATOR
# (scripts/wine-mode, the toolchains' emulator) in one prefix that
# OSVER_WINE_HOME keeps: each with its Windows version, exit status and whole
# report, every line ending in CR LF, and nothing on standard error. set-up
# makes the prefix and starts its server, which stays up from the first case
# to tear-down (docs/testing.md, "Wine"); it decides whether they can run.
# One case for each Windows version this Wine offers: VERSIONS holds the
# report written from its published numbers (report_in); IMAGE, the
# release's floppy image, is run as its README.TXT says, from drive A:.
# Usage: under-wine.sh CASE EMULATOR OSVER STATIC-OBJECT ARGUMENT-COUNT CHECKER VERSIONS [IMAGE]
source "$(dirname "$0")/../lib.sh"
here=$(cd "$(dirname "$0")" && pwd)
# Whole paths: some cases run in a folder of their own.
mapfile -t paths < <(realpath -m -- "$@")
emulator=${paths[0]} osver=${paths[1]} static_object=${paths[2]} argument_count=${paths[3]}
checker=${paths[4]} versions=${paths[5]} image=${paths[6]:-}
home=${OSVER_WINE_HOME:?the folder that keeps the prefix} crlf=1
wine() { "$emulator" "$@"; }
field() { sed -n "s/^$1=//p" "$home/found"; }

# The set-up's verdict: Wine runs here, or the case is skipped, with its reason.
ready() {
  [ ! -f "$home/skipped" ] || skip "$(<"$home/skipped")"
  [ -f "$home/found" ] || { echo "no set-up ran: ctest runs it first" && return 1; }
}
step() { # COMMAND...: a step of the set-up, its output shown if it fails
  "$@" </dev/null >"$scratch/step" 2>&1 && return
  echo "FAILED: the prefix's set-up, at: $*; its output:" && tail -n 20 "$scratch/step"
  return 1
}
made() { # a prefix is there, made once
  local prefix
  prefix=$(wine --env printenv WINEPREFIX) || return
  [ -f "$prefix/system.reg" ] && return
  # Not within a run's time limit: under software emulation it takes minutes.
  rm -rf "$prefix" && step wine --env wineboot --init && step wine --env wineserver --wait
}
set_up() {
  local answer status=0
  rm -f "$home/found" "$home/skipped" "$home/told"
  mkdir -p "$home"
  answer=$("$emulator") || status=$?
  ((status != 2)) || { echo "$answer" >"$home/skipped" && skip "$answer"; }
  ((status == 0)) || { echo "Wine cannot run here: $answer" && return 1; }
  echo "$answer" >"$home/found" && field summary
  made && { wine --env wineserver --kill || true; } && step wine --env wineserver --persistent=60 &&
    step wine wineboot
}
tear_down() {
  [ ! -f "$home/found" ] || wine --env wineserver --kill 2>/dev/null || true
  rm -f "$home/found" "$home/skipped" "$home/told"
}
told() { # VERSION: the Windows version the prefix's programs are told, in the registry
  [ "$(cat "$home/told" 2>/dev/null)" = "$1" ] && return
  wine reg add 'HKCU\Software\Wine' /v Version /d "$1" /f >/dev/null && echo "$1" >"$home/told"
}
under() { # VERSION STATUS REPORT COMMAND...
  ready && told "$1" && expect "${@:2}"
}

# Every version this Wine can tell a 32-bit program, as its 32-bit winecfg
# lists them after its usage text: on standard output with CR LF (Wine 8), or
# on standard error with LF (Wine 10). Asked once for each Wine; where Wine
# cannot run, the versions written.
offered() {
  local summary folder=system32 version
  summary=$(grep -s '^summary=' "$home/found" || "$emulator" | grep '^summary=') || summary=
  if [ -n "$summary" ] && [ "$(head -n 1 "$home/offered" 2>/dev/null)" != "$summary" ] &&
    mkdir -p "$home" && made >&2; then
    [ ! -d "$(wine --env printenv WINEPREFIX)/drive_c/windows/syswow64" ] || folder=syswow64
    { echo "$summary" && { wine "C:\\windows\\$folder\\winecfg.exe" /? 2>&1 || true; } |
      tr -d '\r' | sed -n '/^Valid versions/,$p' | sed -n 's/^ \{1,\}\([a-z0-9]\{1,\}\) \{2,\}.*/\1/p'
    } >"$home/offered.new"
    (($(wc -l <"$home/offered.new") > 1)) && mv "$home/offered.new" "$home/offered"
  fi
  if [ -n "$summary" ] && [ "$(head -n 1 "$home/offered" 2>/dev/null)" = "$summary" ]; then
    tail -n +2 "$home/offered"
  else
    for version in "$versions"/*.txt; do basename "$version" .txt; done
  fi
}
mapfile -t offered < <(offered)

row set-up set_up
# A version without a written report must give one the checker passes.
checked() {
  local said
  wine "$@" >"$scratch/checked" || return
  said=$("$python" "$checker" "$scratch/checked") ||
    { echo "$said" >&2 && cat -A "$scratch/checked" >&2 && return 1; }
}
# Its written report, the lines Wine writes otherwise (its "wine:" lines) in their place.
written_for() { # VERSION
  local saved=$versions/$1.txt
  [ -f "$saved" ] || { under "$1" 0 "" checked "$osver" && return; }
  sed -n 's/^wine: /Wine writes, unlike the release: /p' "$saved"
  under "$1" 0 "$(awk 'NR == FNR { if (sub(/^wine: /, "")) wine[$1] = $0; next }
    /^(source|release|wine): / { next } { print ($1 in wine) ? wine[$1] : $0 }' "$saved" "$saved")
" wine "$osver"
}
for version in "${offered[@]}"; do
  row "$version" written_for "$version"
done
# Each written report's version is one this Wine offers, but those only
# Wine 10 on offers a 32-bit program (win11, winxp64) where Wine 8 runs.
written() {
  ready || return
  local report version
  for report in "$versions"/*.txt; do
    version=$(basename "$report" .txt)
    printf '%s\n' "${offered[@]}" | grep -qx "$version" && continue
    [[ $version == win11 || $version == winxp64 ]] && [[ $(field summary) == wine-8.* ]] && continue
    echo "$version: this Wine does not offer it (it offers ${offered[*]})" && return 1
  done
}
row VersionsWritten written

xp=$(report_in "$versions/winxp.txt")$'\n'
# The start-up: static objects and wildcards, with every program built so.
row StaticObject under winxp 0 $'constructed\nmain\ndestroyed\n' wine "$static_object"
in_many() { # COMMAND...: in a folder of 3,000 files
  mkdir "$scratch/many" && (cd "$scratch/many" && touch f{1..3000}.txt && "$@")
}
row WildcardsExpanded under winxp 0 $'3001\n' in_many wine "$argument_count" '*.txt'
row Wildcards under winxp 0 "$xp" in_many wine "$osver" '*' '*.txt' 'f?.txt' '*/*'
many() { mapfile -t many < <(yes a | head -n 10000) && wine "$osver" "${many[@]}"; }
row TenThousandArguments under winxp 0 "$xp" many
row ClosedStdin under winxp 0 "$xp" closed_stdin wine "$osver"
# A report that cannot be written exits 2.
row DevFull under winxp 2 '' dev_full wine "$osver"
row ClosedStdout under winxp 2 '' closed_stdout wine "$osver"

# Windows NT 3.1 has neither GetVersionExA nor SetUnhandledExceptionFilter.
# Wine has both, so osver runs with the name it looks up spelled wrong, as
# NT 3.1's KERNEL32 would answer it.
without() { # NAME REPLACEMENT: osver with its one mention of NAME changed, run
  "$python" -c 'import sys; program, name, replacement, copy = sys.argv[1:]
data, name = open(program, "rb").read(), name.encode() + b"\0"
if data.count(name) != 1: sys.exit(f"{program} names {name!r} {data.count(name)} times, not once")
open(copy, "wb").write(data.replace(name, replacement.encode() + b"\0"))' "$osver" "$@" \
    "$scratch/copy.exe" && wine "$scratch/copy.exe"
}
row NoGetVersionExA under winxp 1 'GetVersionEx failed. GetLastError = 127.
verData 0.0 bld 0 [] plat:Win32s (0)
version.data =  A280105
version.info.major = 5
version.info.minor = 1
version.info.platform = A28
' without GetVersionExA GetVersionExZ
row NoSetUnhandledExceptionFilter under winxp 0 "$xp" without SetUnhandledExceptionFilter \
  SetUnhandledExceptionFiltez

# The floppy image: its OSVER.EXE, copied out with mtools into the folder
# that is drive A:, run by cmd with the two commands the image's README.TXT
# gives (wine itself adds no .exe): the report, then the report saved as
# A:\REPORT.TXT, put into a copy of the image with mtools, and read back from
# the image by the checker, which must pass it and name Windows XP.
floppy() { # COMMAND...: with drive A: the image's files, for the command alone
  local drive status=0
  drive="$(wine --env printenv WINEPREFIX)/dosdevices/a:" && mkdir "$scratch/a" &&
    mcopy -i "$image" ::OSVER.EXE "$scratch/a" && ln -sfn "$scratch/a" "$drive" || return
  "$@" || status=$?
  rm "$drive" && return "$status"
}
as_told() { # N: README.TXT's Nth command, run
  local command
  command=$(mtype -i "$image" ::README.TXT | tr -d '\r' | sed -n 's/^    \(A:\\.*\)/\1/p' |
    sed -n "$1p") && wine cmd /c "$command"
}
saved_on_floppy() {
  local said
  as_told 2 || return
  cp "$image" "$scratch/floppy.img" && mcopy -i "$scratch/floppy.img" "$scratch/a/REPORT.TXT" :: ||
    return
  said=$("$python" "$checker" "$scratch/floppy.img" 2>&1)
  [[ $said == "release: Windows XP"* ]] ||
    { echo "the checker, on the image with the report: $said" >&2 && return 1; }
}
if [ -n "$image" ]; then
  row FloppyImage under winxp 0 "$xp" floppy as_told 1
  row FloppyImageReport under winxp 0 '' floppy saved_on_floppy
fi

# WoW64 mode runs no i386 Linux code.
if [ "$(field mode 2>/dev/null || "$emulator" | sed -n 's/^mode=//p')" = wow64 ]; then
  no_i386() { ready && wine --env "$here/check-no-i386.sh"; }
  row NoI386 no_i386
fi
row tear-down tear_down
rows_end
