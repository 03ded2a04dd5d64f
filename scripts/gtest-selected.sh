#!/usr/bin/env bash
# Runs a GoogleTest program on the tests a filter selects, and fails when a
# pattern of the filter selects no test: a renamed test would otherwise
# leave a run that tests nothing and passes.
#
#   scripts/gtest-selected.sh FILTER COMMAND [ARGUMENTS...]
#
# FILTER is GoogleTest's (patterns separated by ':', with * and ?, no
# negative patterns); COMMAND runs the test program (directly or through
# scripts/wine-run.sh) and is given --gtest_filter=FILTER last.
set -uo pipefail

filter=$1
shift
output=$("$@" "--gtest_filter=$filter" 2>&1)
status=$?
printf '%s\n' "$output"
ran=$(sed -n 's/^\[ RUN      \] \([^[:space:]]*\).*/\1/p' <<<"$output")
IFS=: read -ra patterns <<<"$filter"
for pattern in "${patterns[@]}"; do
  selected=0
  while read -r name; do
    # shellcheck disable=SC2053 # the pattern is a glob on purpose
    [[ -n $name && $name == $pattern ]] && { selected=1; break; }
  done <<<"$ran"
  if [ "$selected" = 0 ]; then
    echo "gtest-selected: no test ran for '$pattern'" >&2
    status=1
  fi
done
exit $status
