#!/usr/bin/env bash
# Makes the Corvane kit in PREFIX:  scripts/sdk.sh PREFIX
# Builds only what the kit needs, the framework, Corvane::testing and
# corvane-host, for Windows (MinGW-w64, build/sdk-win64) and natively
# (build/sdk-native), without tests, and installs:
#   include/corvane/            headers
#   lib/, lib/win64/            native and Windows static libraries
#   lib/cmake/Corvane/          the CMake package (find_package(Corvane)),
#                               with the MinGW toolchain file mingw-w64.cmake
#   bin/corvane-host            the harness, native
#   bin/corvane-host.exe        the harness, Windows
#   bin/corvane-wine            runs a Windows program under Wine in a prefix of its own,
#                               with Wine's debugger off
#   bin/corvane-new-module      makes a module project, from the templates in
#                               share/corvane/new-module/
#   share/doc/corvane/          README, the guide writing-a-module.md and
#                               the examples it walks through (examples/)
# The tree holds no path of this machine's: it may be moved or packed.
# Each stage says so as it starts, with where its log is.
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: scripts/sdk.sh PREFIX" >&2
  exit 2
fi
mkdir -p "$1"
prefix=$(cd "$1" && pwd)
cd "$(dirname "$0")/.."
scripts/ensure-tools.sh
mkdir -p build/logs
jobs=$(nproc 2>/dev/null || echo 2)

stage() { echo "== $1 (log: $PWD/$2)"; }
failed() {
  tail -40 "$1"
  echo "failed: $2 (whole log: $PWD/$1)"
  exit 1
}

# Debug information names the sources relative to the source tree, so the
# kit carries no path of this machine's.
prefix_map="-ffile-prefix-map=$PWD/="

# platform, then its extra configure arguments
for entry in "native" "win64 -DCMAKE_TOOLCHAIN_FILE=$PWD/cmake/mingw-w64.cmake"; do
  read -r platform toolchain <<<"$entry"
  build=build/sdk-$platform
  log=build/logs/sdk-$platform.log
  : >"$log"
  if [ ! -f "$build/CMakeCache.txt" ]; then
    stage "configuring the $platform kit build in $build" "$log"
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCORVANE_TESTS=OFF -DCORVANE_TOOLS=ON \
          -DCMAKE_INSTALL_LIBDIR=lib "-DCMAKE_C_FLAGS=$prefix_map" "-DCMAKE_CXX_FLAGS=$prefix_map" \
          $toolchain >>"$log" 2>&1 || failed "$log" "configuring $build"
  fi
  stage "building the $platform framework, Corvane::testing and corvane-host in $build" "$log"
  cmake --build "$build" -j"$jobs" --target corvane_framework corvane_testing corvane-host >>"$log" 2>&1 ||
    failed "$log" "building $build"
  stage "installing the $platform libraries and the CMake package into $prefix" "$log"
  cmake --install "$build" --prefix "$prefix" --component sdk >>"$log" 2>&1 || failed "$log" "installing $build"
done

echo "== installing the harness, the Wine runner, the project template, the guide and its examples into $prefix"
mkdir -p "$prefix/bin" "$prefix/share/doc/corvane/docs" "$prefix/share/corvane"
install -m 755 build/sdk-native/corvane-host "$prefix/bin/corvane-host"
install -m 755 build/sdk-win64/corvane-host.exe "$prefix/bin/corvane-host.exe"
install -m 755 scripts/corvane-wine "$prefix/bin/corvane-wine"
install -m 755 tools/new-module/corvane-new-module "$prefix/bin/corvane-new-module"
rm -rf "$prefix/share/corvane/new-module"
cp -R tools/new-module/template "$prefix/share/corvane/new-module"
install -m 644 README.md docs/writing-a-module.md "$prefix/share/doc/corvane/"
install -m 644 docs/show-paint.png "$prefix/share/doc/corvane/docs/"
# The guide's examples beside it, as it names them: examples/value-readout/.
rm -rf "$prefix/share/doc/corvane/examples"
mkdir -p "$prefix/share/doc/corvane/examples"
cp -R examples/value-readout examples/level-slider "$prefix/share/doc/corvane/examples/"
echo "kit: $prefix (guide: $prefix/share/doc/corvane/writing-a-module.md)"
