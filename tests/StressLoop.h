// The stress loop shared by the native and the Windows stress tests: many
// CorvaneGui objects created through the factory, attached, given float slots
// and a text, and released while their one-shot re-send is still pending, a
// few alive at a time, with the message loop run now and then in between.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "testing/RecordingHost.h"
#include "factory/MpFactory.h"
#include "interfaces/IMpFactory.h"
#include "interfaces/IMpUserInterface2.h"
#include "interfaces/InterfaceIds.h"

/// The host of one stressed object: counts what arrives, what arrives after
/// the object was released, and values that break the pin contract.
class StressHost final : public corvane::testing::UncountedGuiHost {
public:
    std::int32_t sendPinValue(std::int32_t pinIndex, std::int32_t byteSize, const void* data,
                              std::int32_t voice) override {
        ++sends;
        if (objectReleased) ++lateSends;
        const bool text = pinIndex == 0 && byteSize >= 0 && byteSize % 2 == 0;
        const bool number = pinIndex >= 1 && pinIndex <= 3 && byteSize == 4;
        if (voice != 0 || !(text || number) || (byteSize > 0 && data == nullptr)) ++malformed;
        return gmpi::ResultOk;
    }

    int sends = 0;
    int lateSends = 0;
    int malformed = 0;
    bool objectReleased = false;
};

struct StressTotals {
    int created = 0;
    int refused = 0;  // a creation or a text change that did not answer ResultOk
    int sends = 0;
    int lateSends = 0;
    int malformed = 0;
};

/// Runs the loop over `objects` objects, keeping at most `alive` at a time;
/// `pump()` runs the message loop (or fires the stand-in timers) every 64
/// objects and once more after the last release.
template <class Pump>
StressTotals runStressLoop(gmpi::IMpFactory2& factory, int objects, std::size_t alive, Pump pump) {
    std::vector<StressHost> hosts(static_cast<std::size_t>(objects));
    std::vector<std::pair<gmpi::IMpUserInterface2B*, StressHost*>> live;
    live.reserve(alive);
    StressTotals totals;
    const auto releaseOldest = [&] {
        live.front().first->release();
        live.front().second->objectReleased = true;
        live.erase(live.begin());
    };
    for (int i = 0; i < objects; ++i) {
        StressHost& host = hosts[static_cast<std::size_t>(i)];
        void* out = nullptr;
        if (factory.createObject2(u"Orvex-Corvane", ObjectKindGui, &out) != gmpi::ResultOk || out == nullptr) {
            ++totals.refused;
            continue;
        }
        ++totals.created;
        auto* object = static_cast<gmpi::IMpUserInterface2B*>(static_cast<gmpi::IMpUnknown*>(out));
        object->setHost(&host);
        const float third = static_cast<float>(i);
        object->setPin(3, 0, sizeof third, &third);  // three float slots
        const std::string ascii = std::to_string(i) + ",2.5,-" + std::to_string(i % 97);
        const std::u16string text(ascii.begin(), ascii.end());
        if (object->setPin(0, 0, static_cast<std::int32_t>(text.size() * 2), text.data()) != gmpi::ResultOk ||
            object->notifyPin(0, 0) != gmpi::ResultOk)
            ++totals.refused;
        if (live.size() == alive) releaseOldest();
        live.emplace_back(object, &host);
        if (i % 64 == 63) pump();
    }
    while (!live.empty()) releaseOldest();
    pump();
    for (const StressHost& host : hosts) {
        totals.sends += host.sends;
        totals.lateSends += host.lateSends;
        totals.malformed += host.malformed;
    }
    return totals;
}
