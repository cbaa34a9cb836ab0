#!/usr/bin/env bash
# A tool asked for --help (or -h) prints its usage on standard output and ends
# with 0; called with an option it lacks, it prints the usage on standard error
# and ends with 2, reading no file of that name.
# Usage: usage_check.sh TOOL_PATH TOOL_NAME
set -uo pipefail
tool="$1"
name="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

failed=0
check() {  # ARGUMENT EXPECTED_CODE STREAM_WITH_USAGE
  local status=0 with without
  "$tool" "$1" > out 2> err || status=$?
  if [[ "$3" == out ]]; then with=out without=err; else with=err without=out; fi
  if [[ $status -ne $2 ]]; then echo "$name $1: exit code $status, not $2"; failed=1; fi
  if ! head -1 "$with" | grep -q "^usage: $name "; then echo "$name $1: no usage on standard $with"; failed=1; fi
  if [[ -s "$without" ]]; then echo "$name $1: standard $without has: $(head -3 "$without")"; failed=1; fi
}
check --help 0 out
check -h 0 out
check --no-such-option 2 err
exit $failed
