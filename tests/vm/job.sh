#!/bin/bash
# Runs in the test machine, from the host's shared folder (tests/vm/run fills
# it): the machine's checks of 32-bit x86 code (checks.sh), then the cases
# under Wine on each toolchain's folder of programs, as the tests run them,
# through the same runner (docs/testing.md, "In virtual machines").
# Usage: job.sh no-ia32 | job.sh MODE PROGRAMS...   (MODE: classic or wow64)
set -uo pipefail
shopt -s nullglob
mode=$1 && shift
# Without it, Wine's Wayland side says on standard error that it has no place.
export XDG_RUNTIME_DIR=/run/user/0
# shellcheck disable=SC2174 # /run/user exists or may be 755: only the last is private
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
export OSVER_PROBE=$PWD/probe OSVER_PYTHON=/usr/bin/python3 OSVER_WINE_HOME=/root/wine
export OSVER_WINE_SECONDS=180
echo "$(uname -sr), $(</proc/cmdline)"
echo "foreign architectures: '$(dpkg --print-foreign-architectures)'"
tests/vm/checks.sh --all "$mode"
failed=$?
for programs in "$@"; do
  echo "== $(<"$programs/tree")"
  tests/windows/under-wine.sh --all scripts/wine-mode \
    "$programs/"{osver,static_object,argument_count}.exe \
    scripts/check-report tests/windows/versions "$programs"/*.img || failed=1
done
exit "$failed"
