#!/usr/bin/env bash
# What reprotest's exit status says of a second, varied build against the first: prints
# the variations it made; when the builds differ, names the first differing file
# (first_difference.sh) and keeps reprotest's log and diff in ARTIFACTS_DIR. Exit 0 when
# both builds are the same, 1 (with a FAIL: line) otherwise.
#
#   reprotest_verdict.sh STATUS LOG STORE_DIR FIRST_BUILD_DIR ARTIFACTS_DIR
set -u
status=$1 log=$2 store=$3 first=$4 artifacts=$5
. "$(dirname "$0")/../support/testlib.sh"
grep -E 'INFO:reprotest:build "experiment-1"|variation' "$log" | sed 's/^INFO:reprotest[^:]*: */reprotest: /'
cp "$log" "$artifacts/" 2>/dev/null
case $status in
    0) ;;
    1)
        cp "$store"/*.diff "$artifacts/" 2>/dev/null
        "$(dirname "$0")/first_difference.sh" "$first" "$store/experiment-1/source-root"
        fail "the second build differs from the first (reprotest's log and diff: $artifacts)" ;;
    *) grep -vE '^ {4}|^\}|^$' "$log" | tail -n 40; fail "reprotest could not build (exit $status)" ;;
esac
