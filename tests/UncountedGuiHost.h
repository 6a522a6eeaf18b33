// The smallest IGuiHost2 a test host needs: answers its own identifier only,
// counts no references (the test owns it), and leaves sendPinValue to the
// test's host, which derives from it.
#pragma once

#include "interfaces/HostInterfaces.h"
#include "interfaces/InterfaceIds.h"

class UncountedGuiHost : public gmpi::IGuiHost2 {
public:
    std::int32_t queryInterface(const gmpi::InterfaceId& iid, void** out) override {
        *out = iid == gmpi::IID_IGuiHost2 ? static_cast<gmpi::IGuiHost2*>(this) : nullptr;
        return *out != nullptr ? gmpi::ResultOk : gmpi::ResultNoInterface;
    }
    std::int32_t addRef() override { return 1; }
    std::int32_t release() override { return 1; }
};
