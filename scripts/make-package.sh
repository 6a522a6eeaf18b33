#!/usr/bin/env bash
# Packs a built win64 tree: make-package.sh BUILD OUT
# Installs the runtime component (corvane.dll, its pin description,
# corvane-host.exe, README, guide) from BUILD, moves the debug information of
# each program into a separate file linked by .gnu_debuglink, strips the
# programs, zips both sets into OUT and checks what it made.
#
#   make-package.sh --sdk KIT OUT
# packs a kit made by scripts/sdk.sh into OUT/corvane-sdk-VERSION.tar.gz
# (VERSION from the kit's CMake package), after checking that it holds what
# the guide uses and no path of the tree it was built from.
set -euo pipefail
if [ "${1:-}" = --sdk ]; then
  kit=$(cd "$2" && pwd) out=$3
  version=$(sed -n 's/^set(PACKAGE_VERSION "\(.*\)")$/\1/p' "$kit/lib/cmake/Corvane/CorvaneConfigVersion.cmake")
  [ -n "$version" ] || { echo "no version in $kit/lib/cmake/Corvane/CorvaneConfigVersion.cmake"; exit 1; }
  for file in bin/corvane-host bin/corvane-host.exe bin/corvane-wine lib/cmake/Corvane/CorvaneConfig.cmake \
              lib/cmake/Corvane/CorvaneTargets-native.cmake lib/cmake/Corvane/CorvaneTargets-win64.cmake \
              lib/cmake/Corvane/mingw-w64.cmake lib/libcorvane_framework.a lib/win64/libcorvane_framework.a \
              lib/libcorvane_testing.a lib/win64/libcorvane_testing.a share/doc/corvane/writing-a-module.md \
              share/doc/corvane/examples/value-readout/CMakeLists.txt \
              share/doc/corvane/examples/level-slider/CMakeLists.txt; do
    [ -f "$kit/$file" ] || { echo "FAIL: $file missing from the kit"; exit 1; }
  done
  source=$(cd "$(dirname "$0")/.." && pwd)
  # The kit's own place, and the source folders and kit build folders it was
  # made from (the kit itself may lie inside the source tree).
  paths=(-e "$kit")
  for folder in factory gui platform interfaces testing tools cmake build/sdk-native build/sdk-win64; do
    paths+=(-e "$source/$folder")
  done
  if grep -rlF "${paths[@]}" "$kit/bin" "$kit/lib" "$kit/include"; then
    echo "FAIL: the kit names paths of this machine (files above)"; exit 1
  fi
  name=corvane-sdk-$version
  mkdir -p "$out"
  rm -rf "${out:?}/$name" "$out/$name.tar.gz"
  cp -a "$kit" "$out/$name"
  (cd "$out" && tar czf "$name.tar.gz" "$name")
  rm -rf "${out:?}/$name"
  echo "kit: $out/$name.tar.gz"
  exit 0
fi
build=$1 out=$2
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "no project version in $build/CMakeCache.txt"; exit 1; }
name=corvane-$version-win64
objcopy=x86_64-w64-mingw32-objcopy
objdump=x86_64-w64-mingw32-objdump

rm -rf "$out/$name" "$out/$name-symbols" "$out/$name.zip" "$out/$name-symbols.zip"
mkdir -p "$out/$name-symbols/bin"
cmake --install "$build" --prefix "$out/$name" --component runtime >/dev/null

for program in corvane.dll corvane-host.exe; do
  file=$out/$name/bin/$program
  debug=$out/$name-symbols/bin/$program.debug
  $objcopy --only-keep-debug "$file" "$debug"
  $objcopy --strip-all "$file"
  # The link holds the debug file's name and checksum; a debugger finds it
  # beside the program (unpack the symbols archive over the package).
  $objcopy --add-gnu-debuglink="$debug" "$file"
done

# The package holds the stripped programs and their links, and the symbols
# hold debug information of our own code.
dll=$out/$name/bin/corvane.dll
$objdump -h "$dll" | grep -q '\.gnu_debuglink' || { echo "FAIL: no .gnu_debuglink in corvane.dll"; exit 1; }
if $objdump -h "$dll" | grep -q '\.debug_info'; then echo "FAIL: corvane.dll still carries debug information"; exit 1; fi
units=$($objdump --dwarf=info "$out/$name-symbols/bin/corvane.dll.debug" | grep 'DW_AT_name.*\.cpp$')
for source in module/CorvaneGui.cpp factory/MpFactory.cpp gui/MpGuiBase2.cpp; do
  grep -q "/$source\$" <<<"$units" || { echo "FAIL: no debug information for $source"; exit 1; }
done
for file in bin/corvane.dll bin/corvane.dll.pins.json bin/corvane-host.exe share/doc/corvane/README.md \
            share/doc/corvane/writing-a-module.md; do
  [ -f "$out/$name/$file" ] || { echo "FAIL: $file missing from the package"; exit 1; }
done

(cd "$out" && cmake -E tar cf "$name.zip" --format=zip "$name" && cmake -E tar cf "$name-symbols.zip" --format=zip "$name-symbols")
echo "package: $out/$name.zip"
echo "symbols: $out/$name-symbols.zip"
