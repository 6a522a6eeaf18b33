#!/usr/bin/env bash
# Another project that takes Corvane in with add_subdirectory and builds a
# module with corvane_add_module: it must configure, build without our
# warning flags reaching its own code, and export MP_GetFactory alone.
#   build_subdirectory_consumer.sh CORVANE_SOURCE CONSUMER_SOURCE SCRATCH
set -euo pipefail
corvane=$1 consumer=$2 scratch=$3
rm -rf "$scratch"
cmake -S "$consumer" -B "$scratch" -DCMAKE_BUILD_TYPE=Debug -DCORVANE_SOURCE="$corvane" >/dev/null
cmake --build "$scratch" -j2 >/dev/null
bash "$corvane/tests/check_so_surface.sh" "$scratch/libconsumer_module.so"
[ -f "$scratch/libconsumer_module.so.pins.json" ] || { echo "FAIL: no pin description beside the library"; exit 1; }
echo "ok"
