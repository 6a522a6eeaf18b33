#include "factory/MpFactory.h"

#include <algorithm>
#include <memory>

#include "factory/AtBoundary.h"
#include "interfaces/IMpUserInterface.h"
#include "interfaces/InterfaceIds.h"

using namespace gmpi;

namespace {

constexpr std::int32_t buildVersion = 30800;
constexpr char16_t buildText[] = u"MS Compiler V1929 (Release)";
static_assert(sizeof(buildText) / sizeof(char16_t) == 28, "27 characters and the terminator");

}  // namespace

std::int32_t MpFactory::queryInterface(const InterfaceId& iid, void** out) {
    if (out == nullptr) return ResultFail;
    const bool known = iid == IID_IMpFactory2 || iid == IID_IMpFactory || iid == IID_IMpUnknown;
    *out = known ? static_cast<IMpFactory2*>(this) : nullptr;
    return known ? ResultOk : ResultNoInterface;
}

std::int32_t MpFactory::addRef() { return 1; }

std::int32_t MpFactory::release() { return 1; }

std::int32_t MpFactory::createObject(const char16_t* identifier, std::int32_t kind, IMpUnknown* host,
                                     void** out) {
    return create(identifier, kind, host, true, out);
}

std::int32_t MpFactory::createObject2(const char16_t* identifier, std::int32_t kind, void** out) {
    return create(identifier, kind, nullptr, false, out);
}

std::int32_t MpFactory::create(const char16_t* identifier, std::int32_t kind, IMpUnknown* host,
                               bool attachLegacy, void** out) {
    if (out == nullptr) return ResultFail;
    *out = nullptr;
    if (identifier == nullptr) return ResultNoInterface;
    // On ResultFail *out keeps the object when only its set-up threw; the
    // caller owns it.
    return atBoundary(attachLegacy ? "createObject" : "createObject2", [&] {
        const auto entry = registry.find(ClassKey::fromText(kind, identifier));
        if (entry == registry.end() || entry->second == nullptr) return ResultNoInterface;
        IMpUnknown* object = entry->second();
        *out = object;
        if (attachLegacy && object != nullptr) {
            // A type test, not a query: the count does not change.
            if (auto* legacy = dynamic_cast<IMpLegacyInitialization*>(object)) legacy->setHost(host);
        }
        return ResultOk;
    });
}

std::int32_t MpFactory::getBuildInfo(std::int32_t* version, std::int32_t capacity, char16_t* text) {
    if (version != nullptr) *version = buildVersion;
    if (text == nullptr || capacity <= 0) return ResultOk;
    // A short buffer gets the text cut to fit, always with its terminator.
    const std::int32_t units = std::min<std::int32_t>(capacity - 1, std::char_traits<char16_t>::length(buildText));
    std::copy_n(buildText, units, text);
    text[units] = u'\0';
    return ResultOk;
}

void MpFactory::add(std::int32_t kind, const char16_t* identifier, CreationFunction creationFunction) {
    registry.emplace(ClassKey::fromText(kind, identifier), creationFunction);
}

MpFactory& getFactory() {
    // The holder's destructor is the unload hook: entered when the first
    // registration creates the factory, run by the runtime at unload.
    static const std::unique_ptr<MpFactory> factory(new MpFactory);
    return *factory;
}

void registerClass(std::int32_t kind, const char16_t* identifier, CreationFunction creationFunction) {
    // Runs during static initialisation, where an escaping exception would
    // abort the host's LoadLibrary. Out of memory leaves the class unregistered:
    // the host then sees ResultNoInterface for it, not a crash.
    atBoundary("registering a class", [&] {
        getFactory().add(kind, identifier, creationFunction);
        return ResultOk;
    });
}
