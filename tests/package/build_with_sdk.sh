#!/usr/bin/env bash
# The kit as a module author gets it:  build_with_sdk.sh SOURCE SCRATCH
# makes the kit with SOURCE/scripts/sdk.sh, packs it as the release does
# (which checks that it names no path of the source tree), unpacks it
# elsewhere, copies the value readout example to
# SCRATCH alone and builds it against the kit only, natively and with the
# kit's toolchain file for Windows, then validates each with the kit's own
# harness: bin/corvane-host natively, bin/corvane-host.exe under the kit's
# bin/corvane-wine (in a Wine prefix of SCRATCH's). Then makes an invisible
# and a windowed project with the kit's bin/corvane-new-module and runs each
# project's own .ci/run, which must pass as made; and checks that the
# generator refuses bad names and a folder in use.
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

# Fails when the build folder $1 names a folder of the source tree (SCRATCH
# itself may lie inside a build folder of the source tree).
paths=()
for folder in factory gui platform interfaces testing tools cmake examples build/sdk-native build/sdk-win64; do
  paths+=(-e "$source/$folder")
done
outOfReach() {
  if grep -rqF "${paths[@]}" "$1/CMakeCache.txt" "$1/CMakeFiles"; then
    grep -rlF "${paths[@]}" "$1/CMakeCache.txt" "$1/CMakeFiles" | head
    echo "FAIL: the build in $1 reaches into the source tree"; exit 1
  fi
}
# The runner's own prefix, here a scratch one, as a user's would be in ~/.cache.
export CORVANE_WINEPREFIX="$scratch/wineprefix"

# The module's sources alone, away from the source tree.
cp -r "$source/examples/value-readout" "$scratch/module"
for platform in native win64; do
  echo "== value-readout ($platform) against the kit"
  toolchain=()
  [ "$platform" = win64 ] && toolchain=(-DCMAKE_TOOLCHAIN_FILE="$kit/lib/cmake/Corvane/mingw-w64.cmake")
  cmake -S "$scratch/module" -B "$scratch/build-$platform" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_PREFIX_PATH="$kit" "${toolchain[@]}" >"$scratch/configure-$platform.log" 2>&1 ||
    { cat "$scratch/configure-$platform.log"; exit 1; }
  outOfReach "$scratch/build-$platform"
  cmake --build "$scratch/build-$platform" -j"$(nproc)" >"$scratch/build-$platform.log" 2>&1 ||
    { tail -40 "$scratch/build-$platform.log"; exit 1; }
done

"$kit/bin/corvane-host" validate "$scratch/build-native/libvalue_readout.so"
"$kit/bin/corvane-wine" "$kit/bin/corvane-host.exe" validate "$scratch/build-win64/value_readout.dll"
[ -f "$scratch/wineprefix/system.reg" ] || { echo "FAIL: corvane-wine made no prefix of its own"; exit 1; }

# Projects from the template, each checked by its own .ci/run.
mkdir -p "$scratch/projects"
cd "$scratch/projects"
for kind in invisible windowed; do
  echo "== corvane-new-module: the $kind project, and its .ci/run"
  option=()
  [ "$kind" = windowed ] && option=(--windowed)
  "$kit/bin/corvane-new-module" "$kind" --name "${kind}_probe" "${option[@]}"
  if grep -rlE '@[A-Z]+@' "$kind"; then echo "FAIL: placeholders left in the $kind project"; exit 1; fi
  "$kind/.ci/run" >"$scratch/$kind-ci.log" 2>&1 || { tail -60 "$scratch/$kind-ci.log"; echo "FAIL: the $kind project's .ci/run"; exit 1; }
  for build in "$kind"/build/*/; do
    outOfReach "$build"
    grep -qxF "Corvane_DIR:PATH=$kit/lib/cmake/Corvane" "$build/CMakeCache.txt" ||
      { echo "FAIL: $build found another Corvane than the kit that made the project"; exit 1; }
  done
done
[ -f invisible/build/win64/invisible_probe.dll ] && [ -f windowed/build/win64/windowed_probe.dll ] &&
  [ -f invisible/build/native-sanitize/libinvisible_probe.so ] ||
  { echo "FAIL: a project's .ci/run left out a library"; exit 1; }

echo "== corvane-new-module: refusals"
refused() {
  local status=0
  "$kit/bin/corvane-new-module" "$@" >/dev/null 2>"$scratch/refusal.txt" || status=$?
  if [ "$status" -ne 2 ] || ! grep -q "^corvane-new-module: " "$scratch/refusal.txt"; then
    echo "FAIL: corvane-new-module $* exited $status, not 2 with a reason:"; cat "$scratch/refusal.txt"; exit 1
  fi
}
for name in 9lives with-dash double__underscore _leading trailing_ "with space" "" \
            abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyzabcdefghijklm; do
  refused fresh --name "$name"
  [ ! -e fresh ] || { echo "FAIL: a refused name '$name' still made a folder"; exit 1; }
done
refused invisible --name other              # a folder in use
touch a-file
refused a-file --name other                 # a file, not a folder
refused fresh --name good --id 'quo"te'     # an identifier that cannot go into a string as it is
[ ! -e invisible/OtherGui.h ] || { echo "FAIL: the refusal of a folder in use still wrote into it"; exit 1; }
echo "kit as expected"
