// The library's one export. The host calls it after the library has loaded,
// so every class has registered by then.
#include "factory/Export.h"

#include "factory/MpFactory.h"
#include "interfaces/InterfaceIds.h"

extern "C" CORVANE_EXPORT std::int32_t MP_GetFactory(void** out) {
    if (out == nullptr) return gmpi::ResultFail;
    try {
        return getFactory().queryInterface(gmpi::IID_IMpUnknown, out);
    } catch (...) {
        // Memory ran out when the first registration tried to make the
        // factory, and again now: no factory to hand out, and nothing may
        // unwind into the host's frames.
        *out = nullptr;
        return gmpi::ResultFail;
    }
}
