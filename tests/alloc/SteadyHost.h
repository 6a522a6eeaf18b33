// A recording host for allocation-failure tests: its own allocations never
// fail, so a sweep fails only the library's allocations, never a host's.
#pragma once

#include "FailingAllocator.h"
#include "RecordingHost.h"

class SteadyHost final : public gmpi::IGuiHost2 {
public:
    std::int32_t queryInterface(const gmpi::InterfaceId& iid, void** out) override {
        *out = iid == gmpi::IID_IGuiHost2 ? static_cast<gmpi::IGuiHost2*>(this) : nullptr;
        return *out != nullptr ? gmpi::ResultOk : gmpi::ResultNoInterface;
    }
    std::int32_t addRef() override { return 1; }
    std::int32_t release() override { return 1; }
    std::int32_t sendPinValue(std::int32_t pinIndex, std::int32_t byteSize, const void* data,
                              std::int32_t voice) override {
        AllocationFaultPause pause;
        return recorder.sendPinValue(pinIndex, byteSize, data, voice);
    }

    gmpi::IMpUnknown* asUnknown() { return this; }

    RecordingHost recorder;
};
