#!/usr/bin/env bash
# The DLL exports MP_GetFactory and nothing else, and imports only Windows
# system DLLs, so a host machine needs no compiler runtime beside it.
#   check_dll_surface.sh DLL [OTHER.dll ...]   (further system DLLs it may import)
set -euo pipefail
dll="$1"
shift
extra=""
for name in "$@"; do extra+="|${name//./\\.}"; done
dump=$(x86_64-w64-mingw32-objdump -p "$dll")

exports=$(awk '/\[Ordinal\/Name Pointer\] Table/{on=1; next} on && /^[ \t]*\[/{print $NF; next} on{on=0}' <<<"$dump")
echo "exports: $exports"
[ "$exports" = "MP_GetFactory" ] || { echo "FAIL: expected exactly MP_GetFactory"; exit 1; }

imports=$(awk '/DLL Name:/{print $3}' <<<"$dump" | sort -u)
echo "imports:" $imports
allowed="^(KERNEL32\\.dll|USER32\\.dll|msvcrt\\.dll|api-ms-win-crt-[a-z0-9-]+\\.dll$extra)\$"
bad=$(grep -viE "$allowed" <<<"$imports" || true)
[ -z "$bad" ] || { echo "FAIL: non-system imports: $bad"; exit 1; }

# The boundary guard says each exception it catches through KERNEL32's
# OutputDebugStringW, which costs a host without a debugger nothing: an import
# the surface has on purpose. (The MinGW runtime brings OutputDebugStringA
# and IsDebuggerPresent of its own.)
kernel32=$(awk '/DLL Name:/{on=tolower($3)=="kernel32.dll"; next} on && NF>=3 && $1 ~ /^[0-9a-f]+$/{print $NF}' <<<"$dump")
grep -qx OutputDebugStringW <<<"$kernel32" || { echo "FAIL: no OutputDebugStringW import (the boundary's reporting channel)"; exit 1; }
echo "ok"
