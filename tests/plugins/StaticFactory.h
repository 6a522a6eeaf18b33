// The factory a hand-written test plug-in hands out from MP_GetFactory: one
// object for the library's whole life, so its count never moves, answering
// the factory interfaces as itself. A plug-in derives from it and says in
// createObject2 what it creates. Used by the test plug-ins written against
// the interfaces alone (tests/plugins/, tests/msvc-host/), so it needs
// nothing of the C++ library.
#pragma once

#include <cstdint>

#include "interfaces/IMpFactory.h"
#include "interfaces/InterfaceIds.h"

class StaticFactory : public gmpi::IMpFactory2 {
public:
    std::int32_t queryInterface(const gmpi::InterfaceId& iid, void** out) override {
        if (out == nullptr) return gmpi::ResultFail;
        const bool known = iid == gmpi::IID_IMpUnknown || iid == gmpi::IID_IMpFactory || iid == gmpi::IID_IMpFactory2 || answersAlso(iid);
        *out = known ? this : nullptr;
        return known ? gmpi::ResultOk : gmpi::ResultNoInterface;
    }
    std::int32_t addRef() override { return 1; }
    std::int32_t release() override { return 1; }
    std::int32_t createObject(const char16_t* identifier, std::int32_t kind, gmpi::IMpUnknown*, void** out) override {
        return createObject2(identifier, kind, out);
    }
    std::int32_t getBuildInfo(std::int32_t* version, std::int32_t capacity, char16_t* text) override {
        if (version != nullptr) *version = 1;
        if (text != nullptr && capacity > 0) text[0] = u'\0';
        return gmpi::ResultOk;
    }

protected:
    /// Another identifier the factory answers as itself (a planted fault's).
    virtual bool answersAlso(const gmpi::InterfaceId&) const { return false; }
    ~StaticFactory() = default;
};
