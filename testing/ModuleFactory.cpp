#include "testing/ModuleFactory.h"

#include "factory/Export.h"
#include "interfaces/IMpFactory.h"
#include "interfaces/IMpUserInterface2.h"
#include "interfaces/InterfaceIds.h"

namespace corvane::testing {
namespace {

// The factory is the module's one static object: asking for it again costs
// nothing and holds nothing.
gmpi::IMpFactory2* factory() {
    void* unknown = nullptr;
    void* answer = nullptr;
    if (MP_GetFactory(&unknown) != gmpi::ResultOk || unknown == nullptr) return nullptr;
    if (static_cast<gmpi::IMpUnknown*>(unknown)->queryInterface(gmpi::IID_IMpFactory2, &answer) != gmpi::ResultOk)
        return nullptr;
    return static_cast<gmpi::IMpFactory2*>(answer);
}

}  // namespace

Created createVersion2(const char16_t* identifier, gmpi::IMpUnknown* host) {
    gmpi::IMpFactory2* made = factory();
    if (made == nullptr) return {gmpi::ResultFail, nullptr};
    void* out = nullptr;
    const std::int32_t result = made->createObject2(identifier, ObjectKindGui, &out);
    if (result != gmpi::ResultOk || out == nullptr) return {result, nullptr};
    auto* object = static_cast<gmpi::IMpUnknown*>(out);
    if (host == nullptr) return {result, object};
    void* view = nullptr;
    if (object->queryInterface(gmpi::IID_IMpUserInterface2, &view) != gmpi::ResultOk || view == nullptr)
        return {gmpi::ResultNoInterface, object};
    auto* gui = static_cast<gmpi::IMpUserInterface2*>(view);
    const std::int32_t attached = gui->setHost(host);
    gui->release();
    return {attached, object};
}

Created createLegacy(const char16_t* identifier, gmpi::IMpUnknown* host) {
    gmpi::IMpFactory2* made = factory();
    if (made == nullptr) return {gmpi::ResultFail, nullptr};
    void* out = nullptr;
    const std::int32_t result = made->createObject(identifier, ObjectKindGui, host, &out);
    return {result, static_cast<gmpi::IMpUnknown*>(out)};
}

}  // namespace corvane::testing
