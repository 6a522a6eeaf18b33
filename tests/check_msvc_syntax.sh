#!/usr/bin/env bash
# The framework, the testing library and the module as Microsoft's compiler
# reads them: clang-cl in Microsoft mode (x86-64 Windows, the project's
# language standard, /W4 with warnings as errors, /EHsc) checks the syntax of
# every source file of factory/, gui/, platform/, testing/ and module/, and
# through them their headers. Only the syntax, and with other headers than
# cl.exe would take: libc++ as the C++ library, Wine's headers for the C
# runtime and the system (tests/msvc-syntax/crt adds what Microsoft's C
# runtime has and Wine's headers lack). Nothing here is built by cl.exe.
# Usage: check_msvc_syntax.sh SOURCE_DIR      (exit 77: clang-cl is absent)
set -euo pipefail
source_dir=$1
clang_cl=/usr/lib/llvm-14/bin/clang-cl
libcxx=/usr/lib/llvm-14/include/c++/v1
wine=/usr/include/wine/wine
for need in "$clang_cl" "$libcxx/vector" "$wine/msvcrt/stdlib.h" "$wine/windows/windows.h"; do
    if [ ! -e "$need" ]; then
        echo "SKIP: $need is missing (scripts/ensure-tools.sh installs clang-14, libc++-14-dev, libc++abi-14-dev and libwine-dev)"
        exit 77
    fi
done

# Files left out, each with the reason.
declare -A skipped=(
    # The off-Windows stand-in for the thread timers: never built for Windows.
    [platform/ThreadTimerStub.cpp]=1
    # Reads floats with std::from_chars, which Microsoft's library has and
    # libc++ 14 lacks.
    [module/NumberParser.cpp]=1
)

flags=(
    --target=x86_64-pc-windows-msvc /X /std:c++20 /Zs /W4 /WX /EHsc
    # libc++ defines the exception classes itself instead of taking them
    # from Microsoft's runtime headers, which are not here.
    -D_LIBCPP_NO_VCRUNTIME
    # Wine's headers: WCHAR as wchar_t, as Microsoft's are; and their own
    # definition of a function clang-cl already knows renamed out of the way.
    -DWINE_UNICODE_NATIVE
    -D_InterlockedCompareExchange128=wineInterlockedCompareExchange128
    -imsvc "$libcxx" -imsvc "$source_dir/tests/msvc-syntax/crt"
    -imsvc "$wine/msvcrt" -imsvc "$wine/windows"
    /I "$source_dir"
)

cd "$source_dir"
checked=0
status=0
for file in factory/*.cpp gui/*.cpp platform/*.cpp testing/*.cpp module/*.cpp; do
    if [ -n "${skipped[$file]:-}" ]; then
        echo "left out: $file"
        continue
    fi
    if ! "$clang_cl" "${flags[@]}" "$file"; then
        echo "FAIL: $file"
        status=1
    fi
    checked=$((checked + 1))
done
echo "$checked files checked in Microsoft mode"

# clang-cl takes GNU spellings that cl.exe refuses or ignores: they belong
# behind platform/Compiler.h's macros, or in a branch for other compilers.
gnu='__attribute__|__builtin_|\basm\b|__asm__|\[\[gnu::'
# Allowed: the macros themselves, the export's GNU branch, the stub (never
# built for Windows), and the Microsoft-ABI throw tables and the structured
# handler that catches them, which only a MinGW build assembles (a Microsoft
# build throws and catches in its own ABI).
allowed='^(platform/Compiler\.h|factory/Export\.h|platform/ThreadTimerStub\.cpp|factory/ThrowToCaller\.cpp|testing/SetHostFromOutside\.cpp):'
found=$(grep -nE "$gnu" factory/* gui/* platform/* testing/* module/* | grep -vE "$allowed" | grep -vE '^[^:]+:[0-9]+:\s*//' || true)
if [ -n "$found" ]; then
    echo "$found"
    echo "FAIL: GNU-only spellings outside platform/Compiler.h"
    status=1
fi
[ "$status" = 0 ] && echo "ok"
exit "$status"
