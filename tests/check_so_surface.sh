#!/usr/bin/env bash
# The native library's dynamic symbol table defines MP_GetFactory and the
# native timer entry CorvaneFireDueTimers, and nothing else.
set -euo pipefail
defined=$(nm -D --defined-only "$1" | awk '$2 != "A" {print $3}' | sort -u | tr '\n' ' ')
echo "defined: $defined"
[ "$defined" = "CorvaneFireDueTimers MP_GetFactory " ] || { echo "FAIL: expected exactly CorvaneFireDueTimers and MP_GetFactory"; exit 1; }
echo "ok"
