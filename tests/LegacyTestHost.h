// A host for the legacy GUI base and the graphics bases: answers only the
// interfaces a test lets it offer, and records what it was asked for, the
// values objects send and the requests the composited base forwards. Lives
// on the test's stack; its count is not kept (objects never release host
// interfaces). Also attaches objects through the factory, as hosts do.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "factory/Export.h"
#include "factory/MpFactory.h"
#include "interfaces/GraphicsTypes.h"
#include "interfaces/HostInterfaces.h"
#include "interfaces/IMpFactory.h"
#include "interfaces/InterfaceIds.h"

/// Placement rectangles compare field by field in the graphics tests.
inline bool operator==(const MpRect& a, const MpRect& b) {
    return a.top == b.top && a.bottom == b.bottom && a.left == b.left && a.right == b.right;
}

/// Which host interfaces a LegacyTestHost answers.
struct HostOffers {
    bool guiHost = true;
    bool gdi = true;
    bool gdiExtra = true;
    bool composited = true;
};

class LegacyTestHost final : public gmpi::IGuiHost,
                             public IGraphicsHostWinGdi,
                             public IGraphicsHostWinGdiExtra,
                             public IGraphicsHostComposited {
public:
    struct Sent {
        std::int32_t pinIndex;
        std::int32_t byteSize;
        const void* data;  // as passed; only valid during the call
        std::int32_t voice;
        std::vector<unsigned char> bytes;  // read during the call

        std::u16string text() const {
            std::u16string units(bytes.size() / 2, u'\0');
            if (!units.empty()) std::memcpy(units.data(), bytes.data(), units.size() * 2);
            return units;
        }
    };

    explicit LegacyTestHost(HostOffers offered = {}) : offers(offered) {}

    /// The host object as setHost receives it.
    gmpi::IMpUnknown* unknown() { return static_cast<gmpi::IGuiHost*>(this); }

    std::int32_t queryInterface(const gmpi::InterfaceId& iid, void** out) override {
        asked.push_back(iid);
        *out = nullptr;
        if (iid == gmpi::IID_IGuiHost && offers.guiHost) *out = static_cast<gmpi::IGuiHost*>(this);
        if (iid == gmpi::IID_IGraphicsHostWinGdi && offers.gdi) *out = static_cast<IGraphicsHostWinGdi*>(this);
        if (iid == gmpi::IID_IGraphicsHostWinGdiExtra && offers.gdiExtra)
            *out = static_cast<IGraphicsHostWinGdiExtra*>(this);
        if (iid == gmpi::IID_IGraphicsHostComposited && offers.composited)
            *out = static_cast<IGraphicsHostComposited*>(this);
        return *out != nullptr ? queryAnswer : gmpi::ResultNoInterface;
    }
    std::int32_t addRef() override { return 1; }
    std::int32_t release() override { return 1; }

    std::int32_t sendPinValue(std::int32_t pinIndex, std::int32_t byteSize, const void* data,
                              std::int32_t voice) override {
        std::vector<unsigned char> bytes;
        if (byteSize > 0 && data != nullptr) {
            const auto* first = static_cast<const unsigned char*>(data);
            bytes.assign(first, first + byteSize);
        }
        sent.push_back({pinIndex, byteSize, data, voice, std::move(bytes)});
        if (onSend) onSend();
        return sendAnswer;
    }

    std::int32_t invalidate(const MpRect* rect) override {
        invalidated.push_back(rect);
        return forwardAnswer;
    }
    std::int32_t getCapture(std::int32_t* hasCapture) override {
        *hasCapture = captureReport;
        return gmpi::ResultOk;
    }
    std::int32_t setCapture() override {
        ++captureSets;
        return forwardAnswer;
    }
    std::int32_t releaseCapture() override {
        ++captureReleases;
        return forwardAnswer;
    }

    HostOffers offers;
    std::int32_t queryAnswer = gmpi::ResultOk;  // what a successful query answers
    std::int32_t sendAnswer = gmpi::ResultOk;
    std::int32_t forwardAnswer = gmpi::ResultOk;
    std::int32_t captureReport = 0;  // written by the capture query
    std::function<void()> onSend;    // runs inside sendPinValue, as a host calling back

    std::vector<gmpi::InterfaceId> asked;
    std::vector<Sent> sent;
    std::vector<const MpRect*> invalidated;
    int captureSets = 0;
    int captureReleases = 0;
};

/// One attachment through the factory: which interfaces the host offers (or
/// no host at all), what createObject answers, and what the object asked for.
struct FactoryAttachCase {
    const char* name;
    HostOffers offers;
    bool nullHost;
    std::int32_t result;
    std::vector<gmpi::InterfaceId> asked;
};

/// Creates the GUI class `identifier` through createObject once per case.
/// The object comes back in every case (only its setHost may throw) and is
/// released here.
inline void expectFactoryAttach(const char16_t* identifier, std::initializer_list<FactoryAttachCase> cases) {
    void* unknown = nullptr;
    ASSERT_EQ(MP_GetFactory(&unknown), gmpi::ResultOk);
    void* factory = nullptr;
    ASSERT_EQ(static_cast<gmpi::IMpUnknown*>(unknown)->queryInterface(gmpi::IID_IMpFactory, &factory), gmpi::ResultOk);
    for (const FactoryAttachCase& c : cases) {
        SCOPED_TRACE(c.name);
        LegacyTestHost host(c.offers);
        void* object = nullptr;
        gmpi::IMpUnknown* hostObject = c.nullHost ? nullptr : host.unknown();
        EXPECT_EQ(static_cast<gmpi::IMpFactory*>(factory)->createObject(identifier, ObjectKindGui, hostObject, &object),
                  c.result);
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(host.asked, c.asked);
        EXPECT_EQ(static_cast<gmpi::IMpUnknown*>(object)->release(), 0);
    }
}
