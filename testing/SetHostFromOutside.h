// The legacy setHost called as a host in another module calls it, for tests
// built with MinGW that load a module's DLL (the project's own tests under
// Wine). The text a legacy setHost throws reaches such a caller on Windows as
// Microsoft's C++ exception (factory/ThrowToCaller.h), a structured exception
// that MinGW's catch does not take; this catches it as a structured exception
// and reads the text out of it. Natively the text comes as a C++ char* and is
// caught as one. GUI thread.
#pragma once

#include <cstdint>
#include <string>

#include "interfaces/IMpUnknown.h"
#include "interfaces/IMpUserInterface.h"

namespace corvane::testing {

/// How setHost ended.
struct SetHostOutcome {
    /// setHost threw the text of a char* rather than answering.
    bool threw = false;
    /// On Windows: it came as Microsoft's C++ exception (code 0xE06D7363).
    bool microsoftAbi = false;
    /// What setHost answered, when it did not throw.
    std::int32_t answer = 0;
    /// The thrown text.
    std::string text;
};

/// Calls `object.setHost(host)` and reports how it ended. Any other exception
/// passes through.
SetHostOutcome setHostFromOutside(gmpi::IMpLegacyInitialization& object, gmpi::IMpUnknown* host);

}  // namespace corvane::testing
