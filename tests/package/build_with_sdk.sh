#!/usr/bin/env bash
# The kit as a module author gets it:  build_with_sdk.sh SOURCE SCRATCH
# makes the kit with SOURCE/scripts/sdk.sh, packs it as the release does
# (which checks that it names no path of the source tree), unpacks it
# elsewhere, copies the value readout example the kit carries beside its
# guide to SCRATCH alone and builds it against the kit only, natively and
# with the kit's toolchain file for Windows, then validates each with the
# kit's own harness: bin/corvane-host natively, bin/corvane-host.exe under
# the kit's bin/corvane-wine (in a Wine prefix of SCRATCH's). Then makes an
# invisible and a windowed project with the kit's bin/corvane-new-module and
# runs each project's own .ci/run, which must pass as made, fuzzing each;
# plants faults in them that their checks must find: a click that sends on
# a pin the description lacks (the windowed .ci/run fails) and a unit test
# that crashes under Wine (its ctest ends at once, not in Wine's debugger);
# and checks the generator's --help and that it refuses bad names, names
# CMake reserves, a folder in use and kit paths the project cannot hold.
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

# The guide's examples come with it, where it says they are.
guide=$kit/share/doc/corvane/writing-a-module.md
for example in $(grep -oE '`examples/[a-z-]+/`' "$guide" | tr -d '`' | sort -u); do
  [ -f "$kit/share/doc/corvane/$example/CMakeLists.txt" ] ||
    { echo "FAIL: the guide names $example, which the kit lacks beside it"; exit 1; }
done

# The module's sources alone, away from the source tree and the kit.
cp -r "$kit/share/doc/corvane/examples/value-readout" "$scratch/module"
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

echo "== corvane-new-module --help"
"$kit/bin/corvane-new-module" --help >"$scratch/help.txt" ||
  { echo "FAIL: corvane-new-module --help exited $?"; exit 1; }
grep -q '^usage: corvane-new-module DIR --name NAME' "$scratch/help.txt" ||
  { cat "$scratch/help.txt"; echo "FAIL: --help printed no usage"; exit 1; }

# Projects from the template, each checked by its own .ci/run.
mkdir -p "$scratch/projects"
cd "$scratch/projects"
for kind in invisible windowed; do
  echo "== corvane-new-module: the $kind project, and its .ci/run"
  option=()
  [ "$kind" = windowed ] && option=(--windowed)
  "$kit/bin/corvane-new-module" "$kind" --name "${kind}_probe" "${option[@]}"
  if grep -rlE '@[A-Z_]+@' "$kind"; then echo "FAIL: placeholders left in the $kind project"; exit 1; fi
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
# Each .ci/run fuzzes: the invisible module's sanitizer build natively, the
# windowed module's DLL under Wine.
for fuzzed in "invisible native-sanitize: fuzz build/native-sanitize/libinvisible_probe.so" \
              "windowed win64: fuzz build/win64/windowed_probe.dll under Wine"; do
  kind=${fuzzed%% *} step=${fuzzed#* }
  awk -v step="== $step" '$0 == step { inside = 1; next } /^== / { inside = 0 } inside' "$scratch/$kind-ci.log" |
    grep -qE '^[0-9]+ sessions, no failure$' ||
    { cat "$scratch/$kind-ci.log"; echo "FAIL: the $kind project's .ci/run has no passing step '$step'"; exit 1; }
done

echo "== the windowed project: a drag that sends on a pin its description lacks fails its .ci/run"
# Sent straight to the host on pin 1 while the mouse moves with the button
# down; the unit test's click makes no move, so it still passes.
sed -i 's/^    if (getCapture()) levelFromMouse(point);$/    if (getCapture()) {\n        levelFromMouse(point);\n        const float moved = 1.0f;\n        sendPinValue(1, sizeof moved, \&moved, 0);\n    }/' \
  windowed/WindowedProbeGui.cpp
grep -q 'sendPinValue(1, sizeof moved, &moved, 0);' windowed/WindowedProbeGui.cpp || { echo "FAIL: the fault was not planted"; exit 1; }
if windowed/.ci/run >"$scratch/windowed-planted.log" 2>&1; then
  cat "$scratch/windowed-planted.log"; echo "FAIL: .ci/run passed a drag that sends on an undescribed pin"; exit 1
fi
grep -qE "pin 1\b.*description" "$scratch/windowed-planted.log" ||
  { tail -40 "$scratch/windowed-planted.log"; echo "FAIL: .ci/run failed, but not on the undescribed pin"; exit 1; }

echo "== the invisible project: a unit test that crashes under Wine ends at once"
sed -i 's/^int main() {$/&\n#ifdef _WIN32\n    volatile int* volatile nowhere = nullptr;\n    *nowhere = 1;\n#endif/' \
  invisible/invisible_probe_test.cpp
grep -q '^    \*nowhere = 1;$' invisible/invisible_probe_test.cpp || { echo "FAIL: the crash was not planted"; exit 1; }
(cd invisible && cmake --build --preset win64 >"$scratch/invisible-crash-build.log" 2>&1) ||
  { tail -40 "$scratch/invisible-crash-build.log"; echo "FAIL: building the crashing test"; exit 1; }
# With a display, where Wine's debugger would wait for a click.
display=()
[ -n "${DISPLAY:-}" ] || display=(xvfb-run -a)
(cd invisible && "${display[@]}" bash "$source/tests/package/ends_promptly.sh" 60 \
   "ctest --preset win64 of a crashing unit test" ctest --preset win64)

echo "== corvane-new-module: refusals"
refused() {
  local status=0
  "$generator" "$@" >/dev/null 2>"$scratch/refusal.txt" || status=$?
  if [ "$status" -ne 2 ] || ! grep -q "^corvane-new-module: " "$scratch/refusal.txt"; then
    echo "FAIL: corvane-new-module $* exited $status, not 2 with a reason:"; cat "$scratch/refusal.txt"; exit 1
  fi
}
generator=$kit/bin/corvane-new-module
# Bad names, and names whose CMake target CMake or its generators reserve.
for name in 9lives with-dash double__underscore _leading trailing_ "with space" "" \
            abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyzabcdefghijklm \
            test Test all ALL install help clean package preinstall EditCache rebuild_cache; do
  refused fresh --name "$name"
  [ ! -e fresh ] || { echo "FAIL: a refused name '$name' still made a folder"; exit 1; }
done
refused invisible --name other              # a folder in use
touch a-file
refused a-file --name other                 # a file, not a folder
refused fresh --name good --id 'quo"te'     # an identifier that cannot go into a string as it is
[ ! -e invisible/OtherGui.h ] || { echo "FAIL: the refusal of a folder in use still wrote into it"; exit 1; }

# The kit itself moved to paths the project's presets, CMake lists or
# scripts cannot hold, then to one with a blank and a single quote, which
# they can; and back.
home=$kit
for odd in 'kit;list' 'kit$macro' 'kit"quote' 'kit\backslash' $'kit\ttab' $'kit\nline'; do
  mv "$home" "$scratch/unpacked/$odd"
  generator=$scratch/unpacked/$odd/bin/corvane-new-module
  refused fresh --name good
  mv "$scratch/unpacked/$odd" "$home"
  [ ! -e fresh ] || { echo "FAIL: a refused kit path still made a project"; exit 1; }
done
odd="$scratch/unpacked/kit with a blank's quote"
mv "$home" "$odd"
"$odd/bin/corvane-new-module" fresh --name good >/dev/null
mv "$odd" "$home"
named=$(bash -c "$(grep '^kit=' fresh/.ci/run)"$'\n''printf %s "$kit"')
[ "$named" = "$odd" ] || { echo "FAIL: .ci/run names the kit as '$named', not '$odd'"; exit 1; }
grep -qF "\"CORVANE_KIT\": \"$odd\"" fresh/CMakePresets.json ||
  { echo "FAIL: CMakePresets.json does not name the kit $odd"; exit 1; }
echo "kit as expected"
