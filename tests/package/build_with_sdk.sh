#!/usr/bin/env bash
# The kit as a module author gets it:  build_with_sdk.sh SOURCE SCRATCH
# makes the kit with SOURCE/scripts/sdk.sh, packs it as the release does
# (which checks that it names no path of the source tree), unpacks it
# elsewhere, copies the value readout example to
# SCRATCH alone and builds it against the kit only, natively and with the
# kit's toolchain file for Windows, then validates each with the kit's own
# harness: bin/corvane-host natively, bin/corvane-host.exe under the kit's
# bin/corvane-wine (in a Wine prefix of SCRATCH's).
set -euo pipefail
source=$(cd "$1" && pwd) scratch=$2
rm -rf "$scratch"
mkdir -p "$scratch"
scratch=$(cd "$scratch" && pwd)

# Made in one place, packed as the release packs it, and used where it is
# unpacked: nothing in it may depend on where it was made.
bash "$source/scripts/sdk.sh" "$scratch/made"
bash "$source/scripts/make-package.sh" --sdk "$scratch/made" "$scratch/release"
rm -rf "$scratch/made"
mkdir -p "$scratch/unpacked"
tar xzf "$scratch/release"/corvane-sdk-*.tar.gz -C "$scratch/unpacked"
kit=$(echo "$scratch/unpacked"/corvane-sdk-*)
[ -x "$kit/bin/corvane-host" ] || { echo "FAIL: no bin/corvane-host in the unpacked kit"; exit 1; }

# The module's sources alone, away from the source tree.
cp -r "$source/examples/value-readout" "$scratch/module"
for platform in native win64; do
  echo "== value-readout ($platform) against the kit"
  toolchain=()
  [ "$platform" = win64 ] && toolchain=(-DCMAKE_TOOLCHAIN_FILE="$kit/lib/cmake/Corvane/mingw-w64.cmake")
  cmake -S "$scratch/module" -B "$scratch/build-$platform" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_PREFIX_PATH="$kit" "${toolchain[@]}" >"$scratch/configure-$platform.log" 2>&1 ||
    { cat "$scratch/configure-$platform.log"; exit 1; }
  # Nothing of the source tree on the compile or link lines (SCRATCH itself
  # may lie inside a build folder of the source tree).
  paths=()
  for folder in factory gui platform interfaces testing tools cmake examples build/sdk-native build/sdk-win64; do
    paths+=(-e "$source/$folder")
  done
  if grep -rqF "${paths[@]}" "$scratch/build-$platform/CMakeCache.txt" "$scratch/build-$platform/CMakeFiles"; then
    grep -rlF "${paths[@]}" "$scratch/build-$platform/CMakeCache.txt" "$scratch/build-$platform/CMakeFiles" | head
    echo "FAIL: the $platform build reaches into the source tree"; exit 1
  fi
  cmake --build "$scratch/build-$platform" -j"$(nproc)" >"$scratch/build-$platform.log" 2>&1 ||
    { tail -40 "$scratch/build-$platform.log"; exit 1; }
done

"$kit/bin/corvane-host" validate "$scratch/build-native/libvalue_readout.so"
# The runner's own prefix, here a scratch one, as a user's would be in ~/.cache.
CORVANE_WINEPREFIX="$scratch/wineprefix" "$kit/bin/corvane-wine" "$kit/bin/corvane-host.exe" \
  validate "$scratch/build-win64/value_readout.dll"
[ -f "$scratch/wineprefix/system.reg" ] || { echo "FAIL: corvane-wine made no prefix of its own"; exit 1; }
echo "kit as expected"
