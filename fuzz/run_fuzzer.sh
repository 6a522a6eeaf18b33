#!/usr/bin/env bash
# Runs one fuzzer for a bounded time with a fixed seed, over a fresh copy of
# its seed corpus (the copy collects what the run finds; a failing input
# lands in WORK_CORPUS-crashes/):
#   run_fuzzer.sh FUZZER SEED_CORPUS WORK_CORPUS SECONDS
set -euo pipefail
fuzzer=$1 seeds=$2 work=$3 seconds=$4
rm -rf "$work"
mkdir -p "$work"
cp -R "$seeds"/. "$work"/
mkdir -p "$work-crashes"
exec "$fuzzer" -seed=1 -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$work-crashes/" "$work"
