# shellcheck shell=bash
# Sourced by the tests that read tests/windows/versions/: each file there holds
# the report osver writes for a version, with LF line ends, and then one line,
# the release line scripts/check-report gives that report.
report_in() { sed '$d' "$1"; }
release_in() { tail -n 1 "$1"; }
