#!/usr/bin/env bash
# The native library's dynamic symbol table defines MP_GetFactory and nothing else.
set -euo pipefail
defined=$(nm -D --defined-only "$1" | awk '$2 != "A" {print $3}' | sort -u)
echo "defined: $defined"
[ "$defined" = "MP_GetFactory" ] || { echo "FAIL: expected exactly MP_GetFactory"; exit 1; }
echo "ok"
