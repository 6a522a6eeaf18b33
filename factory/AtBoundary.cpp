#include "factory/AtBoundary.h"

#include <cstring>
#include <exception>
#include <string>
#include <typeinfo>

#if defined(__GNUG__)
#include <cxxabi.h>

#include <cstdlib>
#endif

#include "interfaces/IMpUserInterface.h"
#include "platform/DebugOutput.h"

namespace {

/// The exception's type as written in code ("std::invalid_argument").
std::string typeName(const std::type_info& type) {
#if defined(__GNUG__)
    int status = 0;
    char* readable = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    if (status == 0 && readable != nullptr) {
        std::string name(readable);
        std::free(readable);
        return name;
    }
    std::free(readable);
#endif
    return type.name();
}

}  // namespace

void reportCaughtException(const char* call, std::int32_t argument) noexcept {
    try {
        std::string text = call != nullptr ? call : "a call";
        if (argument != noArgument) {
            text += '(';
            text += std::to_string(argument);
            text += ')';
        }
        text += ": an exception left the module's callback: ";
        try {
            throw;
        } catch (const std::exception& error) {
            text += typeName(typeid(error)) + ": " + error.what();
        } catch (const char* said) {
            // A legacy setHost refusing a host throws this on purpose; the
            // factory's ResultFail is the answer the protocol expects.
            if (said != nullptr && std::strcmp(said, hostInterfacesNotSupported) == 0) return;
            text += "the text \"" + std::string(said != nullptr ? said : "").substr(0, 200) + "\"";
        } catch (...) {
            text += "an exception of a type not derived from std::exception";
        }
        sayOnDebugOutput(text);
    } catch (...) {
        // Out of memory while putting the words together: the call still
        // answers ResultFail, only unreported.
        sayOnDebugOutput("an exception left the module's callback, and reporting it failed");
    }
}
