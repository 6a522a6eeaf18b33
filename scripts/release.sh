#!/usr/bin/env bash
# Makes the release: builds the Windows DLL and the harness (preset win64)
# and packs them with their documents into
#   build/release/corvane-VERSION-win64.zip          the package
#   build/release/corvane-VERSION-win64-symbols.zip  their debug information
#   build/release/corvane-sdk-VERSION.tar.gz         the kit (scripts/sdk.sh):
#     headers, native and Windows libraries, the CMake package, both harnesses
# VERSION is the one in CMakeLists.txt's project().
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-tools.sh
mkdir -p build/logs
if ! { [ -f build/win64/CMakeCache.txt ] || cmake --preset win64; } >build/logs/release-build.log 2>&1 \
   || ! cmake --build build/win64 -j"$(nproc)" --target corvane corvane-host >>build/logs/release-build.log 2>&1; then
  tail -40 build/logs/release-build.log
  exit 1
fi
scripts/make-package.sh build/win64 build/release
rm -rf build/release/sdk
scripts/sdk.sh build/release/sdk
exec scripts/make-package.sh --sdk build/release/sdk build/release
