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
  # A prefix that cannot be made is this machine's trouble, not the
  # program's: said once, with its own exit status (23).
  status=0
  mkdir -p "$WINEPREFIX" && wineboot -i >/dev/null 2>&1 || status=$?
  wineserver -w || true
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine-run.sh: cannot make the Wine prefix $WINEPREFIX (status $status):" \
         "check that Wine runs (wine --version) and that the folder may be written, remove it and run again" >&2
    exit 23
  fi
fi
# Wine's own background processes (winedevice, plugplay, ...) start with the
# first program of a session and keep its standard error. They hold a
# connection to the X server, and when xvfb-run shuts its server down they
# say so there ("X connection to :99 broken ..."), after the program's own
# output. A first program with its output thrown away starts them here, so
# that line reaches no one; the program's own messages are untouched.
if [ -n "${DISPLAY:-}" ]; then
  wine cmd /c exit >/dev/null 2>&1 </dev/null || true
fi
exec wine "$@"
