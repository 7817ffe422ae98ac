#!/bin/sh
# Runs one Windows test program in Wine and passes its output on once the
# program has ended.
#   tools/wine-run.sh SECONDS COMMAND...
# Processes that the program starts inherit its output: Wine's desktop
# process for a desktop the program creates, messengers it spawns. They may
# outlive the program by seconds or for good, and a reader of the output
# (CTest) would wait for them. Here they write into a file that nobody waits
# on, so the run ends when the program ends. A program still running after
# SECONDS is stopped, and the run says so (tests count that as a failure).
set -u
limit=$1; shift
out=$(mktemp "${TMPDIR:-/tmp}/songbeam-run.XXXXXX") || exit 1
timeout -k 5 "$limit" "$@" </dev/null >"$out" 2>&1
status=$?
cat "$out"
rm -f "$out"
if [ $status = 124 ] || [ $status = 137 ]; then
    echo "wine-run: stopped after $limit s: the program did not end"
fi
exit $status
