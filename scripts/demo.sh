#!/usr/bin/env bash
# The main job: builds the Windows DLL and shows what a host will find in it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-tools.sh
mkdir -p build/logs
if ! { [ -f build/win64/CMakeCache.txt ] || cmake --preset win64; } >build/logs/demo-build.log 2>&1 \
   || ! cmake --build build/win64 -j"$(nproc)" --target corvane >>build/logs/demo-build.log 2>&1; then
  tail -40 build/logs/demo-build.log
  exit 1
fi
echo "DLL: $PWD/build/win64/corvane.dll"
x86_64-w64-mingw32-objdump -p build/win64/corvane.dll | awk '/\[Ordinal\/Name Pointer\] Table/{print "exports:"; on=1; next} on && /^[ \t]*\[/{print "  " $NF; next} on{on=0}'
