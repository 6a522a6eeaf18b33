// The host side of one plug-in object in the harness, for every object
// family: the IGuiHost2 a version-2 object is attached to, and the IGuiHost
// with the graphics host interfaces (GDI and composited) that a legacy object
// and the graphics bases ask for in setHost. It copies every value the object
// sends and hands it to a listener (the transcript, or a validator check), and
// records what a composited object asks of its host (repaints, capture).
// Lives on the stack of whoever drives the object; its count is kept but
// never frees it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "interfaces/HostInterfaces.h"
#include "tools/hosting/PinDescription.h"

/// One call of sendPinValue, as the host received it.
struct SentValue {
    std::int32_t pin = 0;
    std::int32_t byteSize = 0;
    std::int32_t voice = 0;
    std::vector<unsigned char> bytes;  // empty when the size was not positive or data was null
    bool dataWasNull = false;
    /// The value held against the pin description by the host that received
    /// it (see HostObject::describedBy): what breaks it ("pin 9 is not in the
    /// pin description (x.pins.json)"), empty when nothing does or the host
    /// has no description.
    std::string problem;
    bool bytesWrong = false;  // the problem is the bytes (size, data), not the pin they went to
};

/// The interfaces a host object answers beside IMpUnknown.
enum class HostInterface { GuiHost2, GuiHost, WinGdi, WinGdiExtra, Composited };
constexpr std::size_t hostInterfaceCount = 5;
const char* hostInterfaceName(HostInterface which);

struct HostOffers {
    std::array<bool, hostInterfaceCount> offered{true, true, true, true, true};

    static HostOffers all() { return {}; }
    static HostOffers none() { return {{false, false, false, false, false}}; }
    HostOffers without(HostInterface which) const {
        HostOffers less = *this;
        less.offered[static_cast<std::size_t>(which)] = false;
        return less;
    }
    bool has(HostInterface which) const { return offered[static_cast<std::size_t>(which)]; }
};

class HostObject final : public gmpi::IGuiHost2,
                         public gmpi::IGuiHost,
                         public IGraphicsHostWinGdi,
                         public IGraphicsHostWinGdiExtra,
                         public IGraphicsHostComposited {
public:
    using Listener = std::function<void(const SentValue&)>;

    /// Answers IMpUnknown and the interfaces of `offers`; a host without
    /// IGuiHost2 is one of another interface generation.
    explicit HostObject(Listener listener, HostOffers offers = HostOffers::all());
    HostObject(const HostObject&) = delete;
    HostObject& operator=(const HostObject&) = delete;

    /// The host as setHost and createObject receive it.
    gmpi::IMpUnknown* unknown() { return static_cast<gmpi::IGuiHost2*>(this); }

    /// Holds every value the object sends against `pins` (kept by the
    /// caller) before the listener hears of it, and tells `broken` of each
    /// one that breaks it: the one place where sends meet the description.
    void describedBy(const ClassPins& pins, Listener broken = {}) {
        description = &pins;
        breakListener = std::move(broken);
    }
    /// Told when the object releases the host more often than it took
    /// references: a call on a host object that, counted, is gone.
    void onOverRelease(std::function<void()> told) { overReleaseListener = std::move(told); }
    /// Told of each request a composited object makes ("invalidate",
    /// "setCapture", "releaseCapture", "getCapture").
    void onRequest(std::function<void(const std::string&)> told) { requestListener = std::move(told); }

    std::int32_t queryInterface(const gmpi::InterfaceId& iid, void** out) override;
    std::int32_t addRef() override;
    std::int32_t release() override;
    /// Copies the value and tells the listener. ResultOk; ResultFail for a
    /// negative size or null data with a positive size (nothing is read then).
    std::int32_t sendPinValue(std::int32_t pinIndex, std::int32_t byteSize, const void* data,
                              std::int32_t voice) override;
    /// IGraphicsHostComposited: recorded; the capture is the host's to hold.
    std::int32_t invalidate(const MpRect* rect) override;
    std::int32_t getCapture(std::int32_t* hasCapture) override;
    std::int32_t setCapture() override;
    std::int32_t releaseCapture() override;
    virtual ~HostObject() = default;

    /// References the object holds on the host (its queries add them).
    std::int32_t references() const { return count - 1; }
    /// How often the object asked for `which`, offered or not.
    int queries(HostInterface which) const { return asked[static_cast<std::size_t>(which)]; }
    int guiHost2Queries() const { return queries(HostInterface::GuiHost2); }
    /// What a composited object asked of the host so far.
    int invalidations() const { return invalidateCalls; }
    int captureSets() const { return setCaptureCalls; }
    int captureReleases() const { return releaseCaptureCalls; }
    bool captureHeld() const { return holdsCapture; }

private:
    void request(const char* what);

    Listener listener;
    const ClassPins* description = nullptr;
    Listener breakListener;
    std::function<void()> overReleaseListener;
    std::function<void(const std::string&)> requestListener;
    const HostOffers offers;
    std::int32_t count = 1;
    std::array<int, hostInterfaceCount> asked{};
    int invalidateCalls = 0;
    int setCaptureCalls = 0;
    int releaseCaptureCalls = 0;
    bool holdsCapture = false;
};
