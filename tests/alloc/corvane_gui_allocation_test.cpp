// CorvaneGui when memory runs out. Each allocation a host call makes is made
// to fail in turn: the call answers ResultFail and the object is as it was
// (or, when only the timer could not be armed, the change is whole), and the
// same call made again gives exactly what it gives on a fresh object.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "FailingAllocator.h"
#include "testing/RecordingHost.h"
#include "factory/Export.h"
#include "factory/MpFactory.h"
#include "gui/StringGuiPin.h"
#include "gui/TimerService.h"
#include "interfaces/HostInterfaces.h"
#include "interfaces/InterfaceIds.h"
#include "module/CorvaneGui.h"

using corvane::testing::UncountedGuiHost;

namespace {

using namespace gmpi;

/// A host that records what it is sent as text lines; its own allocations
/// never fail, so every failure is the object's.
class Host final : public UncountedGuiHost {
public:
    std::int32_t sendPinValue(std::int32_t pinIndex, std::int32_t byteSize, const void* data, std::int32_t) override {
        AllocationFaultPause pause;
        std::string line = std::to_string(pinIndex) + ":";
        if (pinIndex == 0) {
            for (std::int32_t i = 0; i < byteSize; i += 2) line += static_cast<const char*>(data)[i];
        } else {
            line += std::to_string(*static_cast<const float*>(data));
        }
        sent.push_back(line);
        return ResultOk;
    }
    std::vector<std::string> sent;
};

const std::u16string& pinText(CorvaneGui& gui) { return static_cast<StringGuiPin*>(gui.getPin(0))->getValue(); }

struct Snapshot {
    std::vector<float> values;
    std::u16string text;
    bool operator==(const Snapshot&) const = default;
};

Snapshot snapshot(CorvaneGui& gui) {
    return {{gui.floatValues().begin(), gui.floatValues().end()}, pinText(gui)};
}

bool resendArmed() {
    for (const TimerGroup& group : TimerService::instance()->groupList())
        if (group.periodMs == 1 && !group.clients.empty()) return true;
    return false;
}

/// An object holding 1, 2, 3 with its text written, then `prepare` done, traffic forgotten.
CorvaneGui* prepared(Host& host, const std::function<void(CorvaneGui&)>& prepare) {
    auto* gui = new CorvaneGui;
    gui->setHost(&host);
    const float three = 3.0f;
    gui->setPin(3, 0, 4, &three);
    const std::u16string text = u"1,2,3";
    gui->setPin(0, 0, static_cast<std::int32_t>(text.size() * 2), text.data());
    gui->notifyPin(0, 0);
    gui->stopTimer();
    if (prepare) prepare(*gui);
    host.sent.clear();
    return gui;
}

/// Fails the 1st, 2nd, ... allocation of `call` until a run needs fewer; checks each failed run.
void sweep(const std::function<void(CorvaneGui&)>& prepare, const std::function<std::int32_t(CorvaneGui&)>& call) {
    // The run that allocates freely, for reference.
    Host referenceHost;
    CorvaneGui* reference = prepared(referenceHost, prepare);
    const std::int32_t expectedResult = call(*reference);
    const Snapshot expectedState = snapshot(*reference);
    const bool expectedArmed = resendArmed();
    reference->release();

    for (long k = 0;; ++k) {
        SCOPED_TRACE("allocation " + std::to_string(k) + " fails");
        Host host;
        CorvaneGui* gui = prepared(host, prepare);
        const Snapshot before = snapshot(*gui);
        AllocationFault fault(static_cast<std::size_t>(k));
        const std::int32_t result = call(*gui);
        const bool failed = fault.end();
        if (!failed) {
            gui->release();
            ASSERT_GT(k, 0) << "the call allocates";
            return;
        }
        EXPECT_EQ(result, ResultFail);
        const Snapshot after = snapshot(*gui);
        if (host.sent.empty()) {
            EXPECT_TRUE(after == before) << "nothing sent, so nothing changed";
        } else {
            // Only the timer service's start comes after the sends.
            EXPECT_TRUE(after == expectedState) << "something sent, so the change is whole";
        }
        // Asked again, the object answers as one that never failed.
        host.sent.clear();
        EXPECT_EQ(call(*gui), expectedResult);
        EXPECT_TRUE(snapshot(*gui) == expectedState);
        EXPECT_EQ(resendArmed(), expectedArmed);
        gui->release();
    }
}

std::int32_t deliver(CorvaneGui& gui, std::int32_t pinIndex, float value) {
    return gui.setPin(pinIndex, 0, sizeof value, &value);
}

TEST(CorvaneGuiOutOfMemory, ValueReplacingAnItem) {
    sweep(nullptr, [](CorvaneGui& gui) { return deliver(gui, 2, 12.5f); });
}

TEST(CorvaneGuiOutOfMemory, ValueGrowingTheList) {
    sweep(nullptr, [](CorvaneGui& gui) { return deliver(gui, 6, 6.0f); });
}

TEST(CorvaneGuiOutOfMemory, ValueAfterTextWrittenWithoutReport) {
    const auto writeText = [](CorvaneGui& gui) {
        const std::u16string text = u"7,8";
        gui.setPin(0, 0, 6, text.data());
    };
    sweep(writeText, [](CorvaneGui& gui) { return deliver(gui, 1, -1.0f); });
}

TEST(CorvaneGuiOutOfMemory, TextChange) {
    const auto writeText = [](CorvaneGui& gui) {
        const std::u16string text = u"4,5.5,-6";
        gui.setPin(0, 0, static_cast<std::int32_t>(text.size() * 2), text.data());
    };
    sweep(writeText, [](CorvaneGui& gui) { return gui.notifyPin(0, 0); });
}

TEST(CorvaneGuiOutOfMemory, CreationThroughTheFactory) {
    void* unknown = nullptr;
    ASSERT_EQ(MP_GetFactory(&unknown), ResultOk);
    void* factory = nullptr;
    ASSERT_EQ(static_cast<IMpUnknown*>(unknown)->queryInterface(IID_IMpFactory2, &factory), ResultOk);
    void* out = nullptr;
    const std::size_t failures = AllocationFault::sweep(
        [&] {
            out = reinterpret_cast<void*>(std::uintptr_t{1});
            return static_cast<IMpFactory2*>(factory)->createObject2(u"Orvex-Corvane", ObjectKindGui, &out);
        },
        [&](bool faulted, std::int32_t result) {
            EXPECT_EQ(result, faulted ? ResultFail : ResultOk);
            EXPECT_EQ(out == nullptr, faulted) << "no object, or a whole one";
        });
    EXPECT_GE(failures, 3u) << "the key, the object and its pin's holder and registry entry allocate";
    ASSERT_NE(out, nullptr);
    auto* gui = static_cast<CorvaneGui*>(static_cast<IMpUserInterface2B*>(static_cast<IMpUnknown*>(out)));
    Host host;
    ASSERT_EQ(gui->setHost(&host), ResultOk);
    EXPECT_EQ(deliver(*gui, 2, 1.5f), ResultFail) << "a float pin has no pin object";
    EXPECT_EQ(host.sent, (std::vector<std::string>{"0:0.0000,1.5000"}));
    EXPECT_EQ(gui->release(), 0);
}

TEST(CorvaneGuiOutOfMemory, RefusedFloatPinsAllocateNothing) {
    Host host;
    CorvaneGui* gui = prepared(host, nullptr);
    const float value = 1.0f;
    for (const std::int32_t pinIndex : {CorvaneGui::LastFloatPin + 1, INT_MAX}) {
        SCOPED_TRACE(pinIndex);
        AllocationFault fault(0);
        EXPECT_EQ(gui->setPin(pinIndex, 0, 4, &value), ResultFail);
        EXPECT_FALSE(fault.end()) << "no allocation";
        EXPECT_EQ(gui->floatValues().size(), 3u);
    }
    EXPECT_TRUE(host.sent.empty());
    gui->release();
}

}  // namespace
