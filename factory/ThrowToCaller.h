// The one exception the library throws on purpose, the legacy setHost's
// "host Interfaces not supported" (a char*), delivered in the C++ ABI of
// whoever called the host entry point that threw it.
//
// Code linked into the same module as the framework (the factory, derived
// classes, a module's own unit tests) gets it as thrown: a char* of the
// compiler that built the module, caught by its catch (const char*). On
// Windows a caller in another module is a host, and the host this library
// serves is built with Microsoft's compiler, whose runtime knows nothing of
// MinGW's exceptions: for such a caller the text is caught inside the
// module, every cleanup done (the object's hold given back), and raised again
// as Microsoft's runtime raises a thrown char* (structured exception
// 0xE06D7363 with the throw information of char* and void*). The host's
// catch (const char*), catch (char*), catch (void*) and catch (...) take it,
// and its __try/__except ends normally. Anything else the entry point's work
// throws reaches such a caller as ResultFail. Used by the legacy base's
// setHost; called on the GUI thread.
#pragma once

#include <cstdint>

#include "factory/AtBoundary.h"
#include "platform/Compiler.h"
#include "interfaces/InterfaceId.h"

#if defined(_WIN32) && defined(__GNUC__)
#define CORVANE_THROW_TO_CALLER 1
#else
#define CORVANE_THROW_TO_CALLER 0
#endif

// The host entry point that passes its return address on: kept a function of
// its own, so that the address is its caller's and not that of a function it
// was inlined into.
#define CORVANE_HOST_ENTRY CORVANE_NOINLINE

namespace callerAbi {

/// True when `address` lies inside the module (program or DLL) this code is
/// linked into.
bool insideThisModule(const void* address) noexcept;

/// Raises `text` as the exception object of a char* thrown by code built with
/// Microsoft's compiler. Called with no cleanup left in any frame of this
/// module between it and the caller in the other module. Does not return.
void raiseAsMicrosoftCxx(char* text);

}  // namespace callerAbi

/// Runs `work` (which may throw the legacy text) for a host entry point that
/// returns to `caller`, and answers what it answers. Natively, and for a
/// caller inside this module, whatever `work` throws passes through as it is.
template <class Work>
std::int32_t throwToCaller([[maybe_unused]] const void* caller, Work&& work) {
#if CORVANE_THROW_TO_CALLER
    if (caller == nullptr || callerAbi::insideThisModule(caller)) return work();
    char* text = nullptr;
    bool thrown = false;
    try {
        return work();
    } catch (const char* refusal) {
        // Handlers only read the text; it goes out as the char* it came in as.
        text = const_cast<char*>(refusal);
        thrown = true;
    } catch (...) {
        reportCaughtException("setHost");
        return gmpi::ResultFail;
    }
    // Every frame of this module below this one is gone: nothing is left to
    // unwind when the host's handler takes the exception.
    if (thrown) callerAbi::raiseAsMicrosoftCxx(text);
    return gmpi::ResultFail;
#else
    return work();
#endif
}
