// The library's one export. The host calls it after the library has loaded,
// so every class has registered by then.
#include "factory/Export.h"

#include "factory/InterfaceIds.h"
#include "factory/MpFactory.h"

extern "C" CORVANE_EXPORT std::int32_t MP_GetFactory(void** out) {
    if (out == nullptr) return gmpi::ResultFail;
    return getFactory().queryInterface(gmpi::IID_IMpUnknown, out);
}
