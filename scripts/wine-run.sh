#!/usr/bin/env bash
# Runs a Windows program under Wine with the build folder's own prefix:
#   wine-run.sh PREFIX PROGRAM [ARGS...]
# Used by ctest as the cross-compiling emulator.
set -euo pipefail
export WINEPREFIX="$1"
shift
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w || true
fi
exec wine "$@"
