#!/usr/bin/env bash
# What a host or another plug-in compiles against stands alone: each header
# of interfaces/ compiles by itself with a copy of that folder as the only
# include path, so none reaches into the rest of the project.
# Usage: check_interfaces_alone.sh COMPILER SOURCE_DIR
set -euo pipefail
compiler=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp -r "$2/interfaces" "$scratch/"
status=0
for header in "$scratch"/interfaces/*.h; do
    name=interfaces/$(basename "$header")
    if ! printf '#include "%s"\n' "$name" |
        "$compiler" -std=c++20 -fsyntax-only -Wall -Wextra -Wpedantic -Werror -I "$scratch" -x c++ -; then
        echo "FAIL: $name does not compile with interfaces/ alone"
        status=1
    fi
done
[ "$status" = 0 ] && echo "ok"
exit "$status"
