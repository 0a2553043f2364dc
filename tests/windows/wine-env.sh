# shellcheck shell=bash
# Sourced by the runs under Wine: a quiet prefix that asks for nothing, in
# the way scripts/wine-mode finds set up, which it names; the one reader of
# its answer. The prefix is $1-MODE.
if ! wine_found=$("$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-mode"); then
  echo "Wine cannot run here: $wine_found"
  exit 1
fi
wine_field() { sed -n "s/^$1=//p" <<<"$wine_found"; }
WINEPREFIX="$1-$(wine_field mode)"
export WINEPREFIX WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# Debian 13's Wine dies at its start where TMPDIR is set (docs/testing.md, "Wine").
unset TMPDIR
if [ "$(wine_field mode)" = classic ]; then
  export WINEARCH=win32
else
  unset WINEARCH
  WINEDLLPATH=$(wine_field dlls)
  export WINEDLLPATH
fi
wine_field summary

# The Windows version the prefix's programs are told, in the registry: Wine
# 8's 64-bit winecfg -v refuses the versions before XP.
windows_version() {
  wine reg add 'HKCU\Software\Wine' /v Version /d "$1" /f >/dev/null
}

# The 32-bit winecfg, which lists every version a 32-bit program can be
# told: in the 32-bit system folder, syswow64 in a 64-bit prefix.
winecfg32() {
  local folder=system32
  [ -d "$WINEPREFIX/drive_c/windows/syswow64" ] && folder=syswow64
  wine "C:\\windows\\$folder\\winecfg.exe" "$@"
}
