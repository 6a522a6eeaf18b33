#!/usr/bin/env bash
# Builds the examples as a module author would, against an installed package:
#   build_examples.sh BUILD SOURCE SCRATCH HOST [--toolchain FILE --wine PREFIX]
# installs BUILD's framework into SCRATCH/prefix, configures each example with
# find_package(Corvane) from there, checks its binary surface and runs
# HOST validate on it (under Wine with --wine), and plays the value readout's
# timer session, whose transcript must match the one kept beside this script
# in both builds; then builds and runs a unit test linked with
# Corvane::testing. Windows adds the windowed example; natively the value
# readout is built again with each choice of CORVANE_SANITIZE.
set -euo pipefail
build=$1 source=$2 scratch=$3 host=$4
shift 4
toolchain="" wineprefix=""
while [ $# -gt 0 ]; do
  case "$1" in
    --toolchain) toolchain=$2; shift 2 ;;
    --wine) wineprefix=$2; shift 2 ;;
    *) echo "unknown option $1"; exit 2 ;;
  esac
done

rm -rf "$scratch"
mkdir -p "$scratch"
cmake --install "$build" --prefix "$scratch/prefix" --component sdk >/dev/null

# example folder and its library file; each gets every check of validate.
examples=("value-readout libvalue_readout.so")
if [ -n "$toolchain" ]; then
  examples=("value-readout value_readout.dll" "level-slider level_slider.dll")
fi

for entry in "${examples[@]}"; do
  read -r example library <<<"$entry"
  echo "== $example"
  cmake -S "$source/examples/$example" -B "$scratch/$example" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_PREFIX_PATH="$scratch/prefix" ${toolchain:+-DCMAKE_TOOLCHAIN_FILE="$toolchain"} >/dev/null
  cmake --build "$scratch/$example" -j2 >/dev/null
  built="$scratch/$example/$library"
  if [ -n "$wineprefix" ]; then
    # Exactly one export; besides system DLLs only GDI, for the drawing example.
    bash "$source/tests/check_dll_surface.sh" "$built" GDI32.dll
    "$source/scripts/wine-run.sh" "$wineprefix" "$host" validate "$built"
  else
    bash "$source/tests/check_so_surface.sh" "$built"
    [ -f "$built.pins.json" ] || { echo "FAIL: no $library.pins.json beside the library"; exit 1; }
    "$host" validate "$built"
  fi
  if [ "$example" = value-readout ]; then
    # Its rate limit runs on a framework timer: the same transcript natively
    # and under Wine, times aside.
    session="$source/tests/package/value_readout_timer.txt"
    if [ -n "$wineprefix" ]; then
      "$source/scripts/wine-run.sh" "$wineprefix" "$host" run "$built" "$session" >"$scratch/timer-transcript.txt"
    else
      "$host" run "$built" "$session" >"$scratch/timer-transcript.txt"
    fi
    tr -d '\r' <"$scratch/timer-transcript.txt" | sed -E 's/^ *[0-9]+\.[0-9]+ ms  //' >"$scratch/timer-transcript.masked"
    diff -u "$source/tests/package/value_readout_timer.expected" "$scratch/timer-transcript.masked" ||
      { echo "FAIL: the timer transcript differs from tests/package/value_readout_timer.expected"; exit 1; }
    echo "timer transcript as expected"
  fi
done

# A module's unit test on Corvane::testing, found through the package alone:
# the readout's class made through its factory, its timer fired by the test.
echo "== a unit test on Corvane::testing"
cmake -S "$source/tests/package/testing-consumer" -B "$scratch/testing-consumer" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_PREFIX_PATH="$scratch/prefix" -DVALUE_READOUT_DIR="$source/examples/value-readout" \
      ${toolchain:+-DCMAKE_TOOLCHAIN_FILE="$toolchain"} >/dev/null
cmake --build "$scratch/testing-consumer" -j2 >/dev/null
if [ -n "$wineprefix" ]; then
  "$source/scripts/wine-run.sh" "$wineprefix" "$scratch/testing-consumer/readout_check.exe"
else
  "$scratch/testing-consumer/readout_check"
fi

if [ -z "$toolchain" ]; then
  # The same example built with sanitizers, as an author configures it: the
  # library needs the runtime, the harness brings it in, and the timer
  # session gives the same transcript. Only address and undefined are known.
  for sanitizers in "address" "address;undefined" "undefined"; do
    echo "== value-readout with CORVANE_SANITIZE=$sanitizers"
    dir="$scratch/value-readout-sanitized"
    rm -rf "$dir"
    cmake -S "$source/examples/value-readout" -B "$dir" -DCMAKE_BUILD_TYPE=Release \
          -DCMAKE_PREFIX_PATH="$scratch/prefix" "-DCORVANE_SANITIZE=$sanitizers" >/dev/null
    cmake --build "$dir" -j2 >/dev/null
    built="$dir/libvalue_readout.so"
    needed=$(readelf -d "$built" | grep NEEDED)
    for pair in address:asan undefined:ubsan; do
      sanitizer=${pair%%:*} runtime=${pair##*:}
      want=$([[ ";$sanitizers;" == *";$sanitizer;"* ]] && echo yes || echo no)
      has=$(grep -q "lib$runtime.so" <<<"$needed" && echo yes || echo no)
      [ "$want" = "$has" ] || { echo "FAIL: lib$runtime needed: $has, wanted: $want"; echo "$needed"; exit 1; }
    done
    bash "$source/tests/check_so_surface.sh" "$built"
    "$host" run "$built" "$source/tests/package/value_readout_timer.txt" |
      sed -E 's/^ *[0-9]+\.[0-9]+ ms  //' >"$dir/timer-transcript.masked"
    diff -u "$source/tests/package/value_readout_timer.expected" "$dir/timer-transcript.masked" ||
      { echo "FAIL: the sanitized example's timer transcript differs"; exit 1; }
  done
  if cmake -S "$source/examples/value-readout" -B "$scratch/value-readout-unknown" -DCMAKE_PREFIX_PATH="$scratch/prefix" \
       -DCORVANE_SANITIZE=thread >"$scratch/unknown-sanitizer.log" 2>&1; then
    echo "FAIL: CORVANE_SANITIZE=thread was accepted"; exit 1
  fi
  grep -q "unknown sanitizer 'thread'" "$scratch/unknown-sanitizer.log" ||
    { echo "FAIL: no word on the unknown sanitizer"; cat "$scratch/unknown-sanitizer.log"; exit 1; }
  echo "sanitizer builds as expected"
fi
