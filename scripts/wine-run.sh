#!/usr/bin/env bash
# Runs a Windows program under Wine with the build folder's own prefix:
#   wine-run.sh PREFIX PROGRAM [ARGS...]
# Used by ctest as the cross-compiling emulator. The kit's runner,
# corvane-wine, does it, in PREFIX: it makes the prefix on first use, keeps
# Wine's debugger off (a crash ends the program at once) and keeps Wine's
# background processes' messages out of the program's output.
set -euo pipefail
if [ $# -lt 2 ]; then
  echo "usage: wine-run.sh PREFIX PROGRAM [ARGS...]" >&2
  exit 2
fi
prefix=$1
shift
CORVANE_WINEPREFIX="$prefix" WINEDEBUG=-all exec "$(dirname "$0")/corvane-wine" "$@"
