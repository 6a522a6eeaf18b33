#!/usr/bin/env bash
# A crash under Wine ends at once, never in Wine's debugger, both through
# the runner the tests use and for Wine started on its prefix by hand:
#   wine_crash.sh WINE_RUN PREFIX PROGRAM
# PROGRAM crashes as it starts. Needs a display, where a debugger that
# starts waits for a click: runs itself under xvfb-run when there is none.
set -euo pipefail
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a bash "$0" "$@"
fi
here=$(cd "$(dirname "$0")" && pwd)
runner=$1 prefix=$2 program=$3
# A prefix made now takes a minute or two, not part of the allowance.
"$runner" "$prefix" cmd /c exit >/dev/null 2>&1 </dev/null || true
bash "$here/ends_promptly.sh" 60 "the crash through $(basename "$runner")" "$runner" "$prefix" "$program"
# The runner has set the prefix up; plain Wine, without the runner's own
# setting, must find the debugger off there too.
bash "$here/ends_promptly.sh" 60 "the crash under plain wine in $prefix" \
  env WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" wine "$program"
