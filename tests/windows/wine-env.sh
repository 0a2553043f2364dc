# shellcheck shell=bash
# Sourced by the runs under Wine: a quiet prefix that asks for nothing, in
# the mode the tests were configured for (OSVER_WINE_MODE: classic, a 32-bit
# prefix; wow64, a 64-bit one with the 32-bit DLLs in OSVER_WINE_DLLS). Says
# which Wine runs, in which mode, and what runs its 32-bit code: the CPU, or
# QEMU, which prints its own version instead of running the program where
# QEMU_VERSION is set. $1 is the prefix directory.
export WINEPREFIX="$1"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
case ${OSVER_WINE_MODE:?set by the tests} in
  classic)
    export WINEARCH=win32
    emulator=$({ QEMU_VERSION=1 /usr/lib/wine/wine --version || true; } 2>/dev/null |
      sed -n 's/^qemu-i386 version \([^ ]*\).*/QEMU \1/p')
    ;;
  wow64)
    unset WINEARCH
    export WINEDLLPATH=${OSVER_WINE_DLLS:?set by the tests}
    emulator=
    ;;
  *) echo "unknown Wine mode $OSVER_WINE_MODE" && exit 1 ;;
esac
echo "$(wine --version), $OSVER_WINE_MODE mode, its 32-bit code run ${emulator:+by }${emulator:-natively}"

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
