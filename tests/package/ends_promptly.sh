#!/usr/bin/env bash
# Runs a command that crashes a Windows program under Wine and fails unless
# it ends within SECONDS with a non-zero status and no sign of Wine's
# debugger in its output:  ends_promptly.sh SECONDS WHAT COMMAND [ARGS...]
# Run where there is a display (xvfb-run), where a debugger that starts
# shows a dialog and waits; without one it would print a backtrace and end.
set -euo pipefail
seconds=$1 what=$2
shift 2
log=$(mktemp)
trap 'rm -f "$log"' EXIT
start=$SECONDS status=0
# Twice the allowance, then the command is ended: a hang reads as one.
timeout -k 10 $((seconds * 2)) "$@" >"$log" 2>&1 </dev/null || status=$?
took=$((SECONDS - start))
fail() {
  cat "$log"
  echo "FAIL: $what: $1"
  exit 1
}
[ "$status" -ne 124 ] && [ "$status" -ne 137 ] || fail "still running after $((seconds * 2)) s, ended by timeout"
[ "$status" -ne 0 ] || fail "exited 0 although the program crashed"
[ "$took" -le "$seconds" ] || fail "took $took s, more than $seconds s"
# What winedbg prints when it attaches to the crashed program.
if grep -qE '^(Unhandled exception: |Register dump:|Backtrace:)' "$log"; then
  fail "Wine's debugger ran"
fi
echo "$what: ended in $took s with status $status, no debugger"
