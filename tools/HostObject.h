// The host side of one plug-in object in the harness: the IGuiHost2 the
// object is attached to. It copies every value the object sends and hands it
// to a listener (the transcript, or a validator check). Lives on the stack of
// whoever drives the object; its count is kept but never frees it.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "interfaces/HostInterfaces.h"

/// One call of sendPinValue, as the host received it.
struct SentValue {
    std::int32_t pin = 0;
    std::int32_t byteSize = 0;
    std::int32_t voice = 0;
    std::vector<unsigned char> bytes;  // empty when the size was not positive or data was null
    bool dataWasNull = false;
};

class HostObject final : public gmpi::IGuiHost2 {
public:
    using Listener = std::function<void(const SentValue&)>;

    /// With `offerGuiHost2` false the host answers only IMpUnknown, as a host
    /// of another interface generation would.
    explicit HostObject(Listener listener, bool offerGuiHost2 = true);

    /// Told when the object releases the host more often than it took
    /// references: a call on a host object that, counted, is gone.
    void onOverRelease(std::function<void()> told) { overReleaseListener = std::move(told); }

    std::int32_t queryInterface(const gmpi::InterfaceId& iid, void** out) override;
    std::int32_t addRef() override;
    std::int32_t release() override;
    /// Copies the value and tells the listener. ResultOk; ResultFail for a
    /// negative size or null data with a positive size (nothing is read then).
    std::int32_t sendPinValue(std::int32_t pinIndex, std::int32_t byteSize, const void* data,
                              std::int32_t voice) override;
    virtual ~HostObject() = default;

    /// References the object holds on the host (its queries add them).
    std::int32_t references() const { return count - 1; }
    /// How often the object asked for IGuiHost2.
    int guiHost2Queries() const { return guiHost2Asked; }

private:
    Listener listener;
    std::function<void()> overReleaseListener;
    const bool offersGuiHost2;
    std::int32_t count = 1;
    int guiHost2Asked = 0;
};
