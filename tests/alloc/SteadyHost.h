// A recording host for allocation-failure tests: its own allocations never
// fail, so a sweep fails only the library's allocations, never a host's.
#pragma once

#include "FailingAllocator.h"
#include "testing/RecordingHost.h"

class SteadyHost final : public corvane::testing::UncountedGuiHost {
public:
    std::int32_t sendPinValue(std::int32_t pinIndex, std::int32_t byteSize, const void* data,
                              std::int32_t voice) override {
        AllocationFaultPause pause;
        return recorder.sendPinValue(pinIndex, byteSize, data, voice);
    }

    gmpi::IMpUnknown* asUnknown() { return this; }

    corvane::testing::RecordingHost recorder;
};
