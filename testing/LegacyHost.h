// A host for unit tests of legacy GUI objects and the graphics bases: answers
// only the interfaces a test lets it offer (IGuiHost and the graphics host
// interfaces), and records what it was asked for, the values objects send and
// the requests the drawing bases forward. Lives on the test's stack; it
// counts no references (objects never release host interfaces).
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "interfaces/GraphicsTypes.h"
#include "interfaces/HostInterfaces.h"
#include "testing/SentValue.h"

namespace corvane::testing {

/// Which host interfaces a LegacyHost answers.
struct HostOffers {
    bool guiHost = true;
    bool gdi = true;
    bool gdiExtra = true;
    bool composited = true;
};

class LegacyHost final : public gmpi::IGuiHost,
                         public IGraphicsHostWinGdi,
                         public IGraphicsHostWinGdiExtra,
                         public IGraphicsHostComposited {
public:
    using Sent = SentValue;

    explicit LegacyHost(HostOffers offered = {}) : offers(offered) {}

    /// The host object as setHost and createObject receive it.
    gmpi::IMpUnknown* unknown() { return static_cast<gmpi::IGuiHost*>(this); }

    std::int32_t queryInterface(const gmpi::InterfaceId& iid, void** out) override;
    std::int32_t addRef() override { return 1; }
    std::int32_t release() override { return 1; }

    std::int32_t sendPinValue(std::int32_t pinIndex, std::int32_t byteSize, const void* data,
                              std::int32_t voice) override;
    std::int32_t invalidate(const MpRect* rect) override;
    std::int32_t getCapture(std::int32_t* hasCapture) override;
    std::int32_t setCapture() override;
    std::int32_t releaseCapture() override;

    HostOffers offers;
    std::int32_t queryAnswer = gmpi::ResultOk;  // what a successful query answers
    std::int32_t sendAnswer = gmpi::ResultOk;
    std::int32_t forwardAnswer = gmpi::ResultOk;  // invalidate and the capture requests
    std::int32_t captureReport = 0;               // written by the capture query
    std::function<void()> onSend;                 // runs inside sendPinValue, as a host calling back

    std::vector<gmpi::InterfaceId> asked;
    std::vector<Sent> sent;
    std::vector<const MpRect*> invalidated;
    int captureSets = 0;
    int captureReleases = 0;
};

}  // namespace corvane::testing
