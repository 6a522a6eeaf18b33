#!/usr/bin/env bash
# Installs, from Debian's archive, whatever the build and the tests need and
# this machine lacks. Quick and silent when everything is present.
set -euo pipefail

need=()
have() { command -v "$1" >/dev/null 2>&1; }
have cmake || need+=(cmake)
have g++ || need+=(g++)
# addr2line names a crash's function and line from a native module's debug information.
have addr2line || need+=(binutils)
have x86_64-w64-mingw32-g++-posix || need+=(g++-mingw-w64-x86-64)
have x86_64-w64-mingw32-objdump || need+=(binutils-mingw-w64-x86-64)
have wine || need+=(wine)
[ -x /usr/lib/wine/wine64 ] || need+=(wine64)
have xvfb-run || need+=(xvfb)
have xauth || need+=(xauth)
have clang++-14 || need+=(clang-14)
# The Microsoft-ABI test host: clang-cl, lld-link, Wine's headers and import libraries.
have clang-cl-14 || need+=(clang-tools-14)
have lld-link-14 || need+=(lld-14)
[ -f /usr/lib/x86_64-linux-gnu/wine/x86_64-windows/libucrtbase.a ] || need+=(libwine-dev)
[ -d /usr/lib/llvm-14/lib/clang/14.0.6/lib/linux ] || need+=(libclang-rt-14-dev)
[ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
[ -f /usr/include/benchmark/benchmark.h ] || need+=(libbenchmark-dev)
# zlib for the harness's PNG screenshots, natively and for MinGW.
[ -f /usr/include/zlib.h ] || need+=(zlib1g-dev)
[ -f /usr/x86_64-w64-mingw32/include/zlib.h ] || need+=(libz-mingw-w64-dev)
# nlohmann-json, header-only, for the harness's JSON reader (both builds).
[ -f /usr/include/nlohmann/json.hpp ] || need+=(nlohmann-json3-dev)
# The syntax check in Microsoft mode (tests/check_msvc_syntax.sh): clang-cl
# comes with clang-14; libc++ as its C++ library, Wine's headers for the C
# runtime and the system.
[ -f /usr/lib/llvm-14/include/c++/v1/vector ] || need+=(libc++-14-dev)
[ -f /usr/lib/llvm-14/include/c++/v1/cxxabi.h ] || need+=(libc++abi-14-dev)
[ -f /usr/include/wine/wine/windows/windows.h ] || need+=(libwine-dev)
# A C locale whose decimal point is a comma, for the locale-independence test.
have locale-gen || need+=(locales)

if [ ${#need[@]} -gt 0 ]; then
  logs="$(cd "$(dirname "$0")/.." && pwd)/build/logs"
  mkdir -p "$logs"
  echo "== installing from Debian's archive: ${need[*]} (a few minutes; log: $logs/ensure-tools.log)"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  if ! { $sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${need[@]}"; } \
       >"$logs/ensure-tools.log" 2>&1; then
    tail -20 "$logs/ensure-tools.log"
    echo "installing failed (whole log: $logs/ensure-tools.log)"
    exit 1
  fi
fi

if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  { $sudo sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen 2>/dev/null \
      || echo "de_DE.UTF-8 UTF-8" | $sudo tee -a /etc/locale.gen >/dev/null; } || true
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null || echo "de_DE.UTF-8 UTF-8" | $sudo tee -a /etc/locale.gen >/dev/null || true
  $sudo locale-gen >/dev/null 2>&1 || echo "note: could not generate de_DE.UTF-8; the C-locale half of the locale test will be skipped"
fi
