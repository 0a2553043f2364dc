# Sourced by the Wine tests: a quiet 32-bit prefix that asks for nothing.
# $1 is the prefix directory.
export WINEPREFIX="$1"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
