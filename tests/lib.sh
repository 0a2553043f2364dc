# shellcheck shell=bash
# The one runner of the project's cases, after git's t/test-lib.sh: a case
# script sources it, declares its cases in order, `row NAME COMMAND...`, and
# ends with `rows_end`. A case passes when COMMAND exits 0, is skipped when it
# exits 77 (`skip REASON`), and fails otherwise. Run a case script as
#   SCRIPT --list ARGUMENT...  its cases' names, one a line: how CTest finds them
#                              (tests/cases.cmake), each then a test of its own
#   SCRIPT NAME ARGUMENT...    that case alone, as CTest runs it
#   SCRIPT --all ARGUMENT...   every case, a line each, then "N passed, N failed, N skipped"
# The scripts run the Python the build found, which OSVER_PYTHON names.
set -uo pipefail
selected=${1:?usage: SCRIPT --list|--all|NAME ARGUMENT...}
shift
python=${OSVER_PYTHON:-}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
passed=0 failed=0 skipped=0

row() {
  local name=$1 status=0
  shift
  case $selected in
    --list) echo "$name" && return ;;
    --all) ;;
    "$name") ("$@") && exit 0 || exit ;;
    *) return 0 ;;
  esac
  # Each case finds the scratch folder empty, as when it runs alone.
  find "$scratch" -mindepth 1 ! -name .row -delete
  ("$@") >"$scratch/.row" 2>&1 || status=$?
  if ((status == 0)); then
    passed=$((passed + 1)) && echo "ok: $name"
  elif ((status == 77)); then
    skipped=$((skipped + 1)) && echo "skipped: $name: $(tail -n 1 "$scratch/.row")"
  else
    failed=$((failed + 1)) && echo "FAILED: $name (exit status $status):" && cat "$scratch/.row"
  fi
}

rows_end() {
  case $selected in
    --list) exit 0 ;;
    --all) echo "$passed passed, $failed failed, $skipped skipped" && exit $((failed > 0)) ;;
    *) echo "no case $selected in $0" && exit 1 ;;
  esac
}

skip() {
  echo "skipped: $*"
  exit 77
}

# expect STATUS OUTPUT COMMAND...: COMMAND exits STATUS, writes exactly OUTPUT
# on standard output, each line ending in CR LF where crlf is set, and
# nothing on standard error.
expect() {
  local want=$1 status=0 text=$2
  [ -z "${crlf:-}" ] || text=${text//$'\n'/$'\r\n'}
  printf %s "$text" >"$scratch/expected"
  shift 2
  "$@" >"$scratch/out" 2>"$scratch/err" || status=$?
  ((status == want)) && cmp -s "$scratch/expected" "$scratch/out" && [ ! -s "$scratch/err" ] &&
    return
  echo "exit status $status, expected $want; standard error: $(<"$scratch/err")"
  diff <(cat -A "$scratch/expected") <(cat -A "$scratch/out")
  return 1
}

# The streams as users leave them.
closed_stdin() { "$@" <&-; }
closed_stdout() { "$@" >&-; }
dev_full() { "$@" >/dev/full; }
# The reader is gone before the program starts; signals as a shell leaves them.
no_reader() {
  "$python" -c 'import os, subprocess, sys
r, w = os.pipe()
os.close(r)
status = subprocess.call(sys.argv[1:], stdout=w)
sys.exit(128 - status if status < 0 else status)' "$@"
}

# A Windows version's saved report (tests/windows/versions/): a "source:"
# line, the report osver writes there, with LF line ends, the release line
# scripts/check-report gives it, and any "wine:" line, a line as Wine writes it.
report_in() { grep -v -e '^source: ' -e '^release: ' -e '^wine: ' "$1"; }
release_in() { grep '^release: ' "$1"; }
