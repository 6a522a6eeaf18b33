#!/usr/bin/env bash
# The main job: builds the Windows DLL and the host harness, then plays a
# short session under Wine: a module with three float pins gets the text
# " 1, 2.5 ,abc", then a value on pin 2, then waits for its timer. The
# transcript shows each float sent, the normalised text and the re-send.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-tools.sh
mkdir -p build/logs
if ! { [ -f build/win64/CMakeCache.txt ] || cmake --preset win64; } >build/logs/demo-build.log 2>&1 \
   || ! cmake --build build/win64 -j"$(nproc)" --target corvane >>build/logs/demo-build.log 2>&1 \
   || ! cmake --build build/win64 -j"$(nproc)" --target corvane-host >>build/logs/demo-build.log 2>&1; then
  tail -40 build/logs/demo-build.log
  exit 1
fi
echo "DLL: $PWD/build/win64/corvane.dll"
echo "session: tools/demo-session.txt"
echo
exec scripts/wine-run.sh "$PWD/build/win64/wineprefix" build/win64/corvane-host.exe \
  run build/win64/corvane.dll tools/demo-session.txt
