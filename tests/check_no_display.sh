#!/usr/bin/env bash
# Without a display the Windows harness says so once, in words with the fix,
# with its own exit status (22), and fails no check of the plug-in's; the
# JUnit file still says what ran. Runs Wine with no DISPLAY in a prefix of its
# own: a Wine server started without a display cannot make windows later, so
# the prefix the other tests share is never used without one.
#   check_no_display.sh SOURCE_DIR PREFIX HARNESS_EXE WINDOWED_PLUGIN_DLL
set -uo pipefail
source_dir="$1" prefix="$2" harness="$3" plugin="$4"
work="$(mktemp -d)"
trap 'WINEPREFIX="$prefix" wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
run() { env -u DISPLAY -u WAYLAND_DISPLAY "$source_dir/scripts/wine-run.sh" "$prefix" "$harness" "$@" 2>&1; }

said="$(run validate "$plugin" --junit "Z:$work/results.xml")"
status=$?
fail() { echo "$1" >&2; echo "$said" >&2; exit 1; }
[ "$status" -eq 22 ] || fail "validate exited $status, not 22"
[ "$(grep -c 'no display to make windows on' <<<"$said")" -eq 1 ] || fail "validate did not say it once"
grep -q 'xvfb-run -a' <<<"$said" || fail "validate did not say the fix"
grep -Eq '^(FAIL|CRASH|TIMEOUT) ' <<<"$said" && fail "validate blamed the plug-in"
grep -q '<error type="harness" message="no display to make windows on' "$work/results.xml" ||
  fail "the JUnit file does not hold the harness's error: $(cat "$work/results.xml" 2>&1)"
grep -q '<testcase classname="corvane-host.validate" name="export-table"' "$work/results.xml" ||
  fail "the JUnit file lost the checks that ran"

said="$(run show "$plugin" --screenshot "Z:$work/shot.png")"
status=$?
[ "$status" -eq 22 ] || fail "show exited $status, not 22"
[ "$(grep -c 'no display to make windows on' <<<"$said")" -eq 1 ] || fail "show did not say it once"
echo "without a display validate and show exit 22 and say why once; the JUnit file holds what ran"
