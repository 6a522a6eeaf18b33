// The guard at the binary boundary: the export, the factory and the GUI
// object bases run the work of each call a host makes under it, so that no
// exception (allocation failure, a derived class's callback) unwinds into
// the host's frames. The legacy setHost alone throws on purpose; it runs its
// work under throwToCaller (factory/ThrowToCaller.h) instead.
#pragma once

#include <cstdint>
#include <utility>

#include "interfaces/InterfaceId.h"

/// Runs `body` and answers the result code it answers; ResultFail if it
/// throws anything.
template <class Body>
std::int32_t atBoundary(Body&& body) noexcept {
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        return gmpi::ResultFail;
    }
}
