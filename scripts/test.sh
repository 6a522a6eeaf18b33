#!/usr/bin/env bash
# Runs every test: native, native under AddressSanitizer/UBSan with leak
# checking, the Windows DLL and its tests under Wine (inside Xvfb, for the
# window tests), and the fuzzers for a bounded time with fixed seeds.
# Ends with ctest's own summary over all of them.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-tools.sh

jobs=$(nproc 2>/dev/null || echo 2)
presets=(native native-asan win64 fuzz)
mkdir -p build/logs
for preset in "${presets[@]}"; do
  echo "== build: $preset (log: build/logs/$preset.log)"
  if ! { [ -f "build/$preset/CMakeCache.txt" ] || cmake --preset "$preset"; } >"build/logs/$preset.log" 2>&1 \
     || ! cmake --build "build/$preset" -j"$jobs" >>"build/logs/$preset.log" 2>&1; then
    tail -40 "build/logs/$preset.log"
    echo "build of $preset failed (whole log: build/logs/$preset.log)"
    exit 1
  fi
done

# Wine creates its prefix on first use; make it now, not inside parallel tests.
# Wait for its server to end, so that the tests' Wine starts afresh inside Xvfb
# (a server left from a start without a display cannot make windows).
if [ ! -f build/win64/wineprefix/system.reg ]; then
  echo "== creating the Wine prefix build/win64/wineprefix (first run only; log: build/logs/wine-prefix.log)"
fi
xvfb-run -a scripts/wine-run.sh "$PWD/build/win64/wineprefix" cmd /c exit >build/logs/wine-prefix.log 2>&1 || true
WINEPREFIX="$PWD/build/win64/wineprefix" wineserver -w || true

# One ctest run over all build folders, so one summary counts every test.
mkdir -p build/all
{
  for preset in "${presets[@]}"; do echo "subdirs(\"$PWD/build/$preset\")"; done
} > build/all/CTestTestfile.cmake

echo "== running the tests of ${presets[*]} (ctest; a failing test's output is shown, all of it in build/all/Testing/Temporary/LastTest.log)"
exec xvfb-run -a ctest --test-dir build/all -j"$jobs" --output-on-failure --timeout 900 "$@"
