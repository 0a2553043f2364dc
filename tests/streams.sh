# shellcheck shell=bash
# Sourced by the tests that run a program with its streams as users leave them.
closed_stdin() { "$@" <&-; }
closed_stdout() { "$@" >&-; }
dev_full() { "$@" >/dev/full; }
