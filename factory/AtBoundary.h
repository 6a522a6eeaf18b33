// The guard at the binary boundary: the export, the factory and the GUI
// object bases run the work of each call a host makes under it, so that no
// exception (allocation failure, a derived class's callback) unwinds into
// the host's frames. What it catches is not kept silent: each exception is
// said on the platform's debug-output channel (platform/DebugOutput.h) with
// the call it left, which a debugger or a test harness shows and a host
// without one never sees. The legacy setHost alone throws on purpose; it runs
// its work under throwToCaller (factory/ThrowToCaller.h) instead.
#pragma once

#include <cstdint>
#include <limits>
#include <utility>

#include "interfaces/InterfaceId.h"

/// Marks a call without a pin or index to name.
inline constexpr std::int32_t noArgument = (std::numeric_limits<std::int32_t>::min)();  // parenthesised past <windows.h>'s min macro

/// Called inside a catch block: says "CALL(ARGUMENT): an exception left the
/// module's callback: TYPE: WHAT" on the debug-output channel ("setPin(3):
/// ... std::invalid_argument: stoi"; without the parentheses for
/// noArgument). Never throws.
void reportCaughtException(const char* call, std::int32_t argument = noArgument) noexcept;

/// Runs `body` and answers the result code it answers; ResultFail if it
/// throws anything, after reporting the exception with `call` and `argument`.
template <class Body>
std::int32_t atBoundary(const char* call, std::int32_t argument, Body&& body) noexcept {
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        reportCaughtException(call, argument);
        return gmpi::ResultFail;
    }
}

template <class Body>
std::int32_t atBoundary(const char* call, Body&& body) noexcept {
    return atBoundary(call, noArgument, std::forward<Body>(body));
}
