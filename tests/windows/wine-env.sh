# shellcheck shell=bash
# Sourced by the runs under Wine: a quiet prefix that asks for nothing, in
# the mode the tests were configured for (OSVER_WINE_MODE: classic, a 32-bit
# prefix; wow64, a 64-bit one with the 32-bit DLLs in OSVER_WINE_DLLS). Says
# which Wine runs, in which mode. $1 is the prefix directory.
export WINEPREFIX="$1"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
case ${OSVER_WINE_MODE:?set by the tests} in
  classic) export WINEARCH=win32 ;;
  wow64) unset WINEARCH && export WINEDLLPATH=${OSVER_WINE_DLLS:?set by the tests} ;;
  *) echo "unknown Wine mode $OSVER_WINE_MODE" && exit 1 ;;
esac
echo "$(wine --version), $OSVER_WINE_MODE mode"

# Sets the Windows version the prefix's programs are told. Wine reads it from
# the registry; winecfg -v would write the same value, but Wine 8's 64-bit
# winecfg refuses the versions before XP.
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
