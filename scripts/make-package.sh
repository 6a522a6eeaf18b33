#!/usr/bin/env bash
# Packs a built win64 tree: make-package.sh BUILD OUT
# Installs the runtime component (corvane.dll, its pin description,
# corvane-host.exe, README, guide) from BUILD, moves the debug information of
# each program into a separate file linked by .gnu_debuglink, strips the
# programs, zips both sets into OUT and checks what it made.
set -euo pipefail
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
