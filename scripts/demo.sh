#!/usr/bin/env bash
# The main job: builds the Windows DLL and the host harness, then plays a
# short session under Wine: a module with three float pins gets the text
# " 1, 2.5 ,abc", then a value on pin 2, then waits for its timer. The
# transcript shows each float sent, the normalised text and the re-send.
# Each long stage says so as it starts, with where its log is.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-tools.sh
mkdir -p build/logs
log=build/logs/demo-build.log
: >"$log"

stage() { echo "== $1 (log: $PWD/$2)"; }
failed() {
  tail -40 "$1"
  echo "failed: $2 (whole log: $PWD/$1)"
  exit 1
}

if [ ! -f build/win64/CMakeCache.txt ]; then
  stage "configuring the Windows build in build/win64" "$log"
  cmake --preset win64 >>"$log" 2>&1 || failed "$log" "configuring build/win64"
fi
stage "building the DLL build/win64/corvane.dll" "$log"
cmake --build build/win64 -j"$(nproc)" --target corvane >>"$log" 2>&1 || failed "$log" "building the DLL"
stage "building the host harness build/win64/corvane-host.exe" "$log"
cmake --build build/win64 -j"$(nproc)" --target corvane-host >>"$log" 2>&1 || failed "$log" "building the host harness"

prefix="$PWD/build/win64/wineprefix"
if [ ! -f "$prefix/system.reg" ]; then
  stage "creating the Wine prefix build/win64/wineprefix, once, in a minute or two" build/logs/wine-prefix.log
  scripts/wine-run.sh "$prefix" cmd /c exit >build/logs/wine-prefix.log 2>&1 || true
fi

echo "DLL: $PWD/build/win64/corvane.dll"
echo "session: tools/demo-session.txt"
echo
exec scripts/wine-run.sh "$prefix" build/win64/corvane-host.exe \
  run build/win64/corvane.dll tools/demo-session.txt
