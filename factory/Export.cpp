// The library's one export. The host calls it after the library has loaded,
// so every class has registered by then.
#include "factory/Export.h"

#include "factory/AtBoundary.h"
#include "factory/MpFactory.h"
#include "interfaces/InterfaceIds.h"

extern "C" CORVANE_EXPORT std::int32_t MP_GetFactory(void** out) {
    if (out == nullptr) return gmpi::ResultFail;
    // Stays null when memory ran out as the first registration tried to make
    // the factory, and runs out again now.
    *out = nullptr;
    return atBoundary("MP_GetFactory", [&] { return getFactory().queryInterface(gmpi::IID_IMpUnknown, out); });
}
