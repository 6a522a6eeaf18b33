// CorvaneGui when memory runs out. Each allocation a host call makes is made
// to fail in turn: the call answers ResultFail and the object is as it was
// (or, when only the timer could not be armed, the change is whole), and the
// same call made again gives exactly what it gives on a fresh object. A
// program of its own: it replaces operator new.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "factory/HostInterfaces.h"
#include "factory/InterfaceIds.h"
#include "gui/StringGuiPin.h"
#include "gui/TimerService.h"
#include "module/CorvaneGui.h"

namespace {

long failAfter = -1;  // allocations to let through before one fails; -1: none fails
long allocationCount = 0;
bool injectionPaused = false;

void* allocate(std::size_t size) {
    if (!injectionPaused) {
        ++allocationCount;
        if (failAfter == 0) {
            failAfter = -1;
            throw std::bad_alloc();
        }
        if (failAfter > 0) --failAfter;
    }
    if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
    throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }

namespace {

using namespace gmpi;

/// A host that records what it is sent as text lines; its own allocations
/// never fail, so every failure is the object's.
class Host final : public IGuiHost2 {
public:
    std::int32_t queryInterface(const InterfaceId& iid, void** out) override {
        *out = iid == IID_IGuiHost2 ? this : nullptr;
        return *out != nullptr ? ResultOk : ResultNoInterface;
    }
    std::int32_t addRef() override { return 1; }
    std::int32_t release() override { return 1; }
    std::int32_t sendPinValue(std::int32_t pinIndex, std::int32_t byteSize, const void* data, std::int32_t) override {
        const bool wasPaused = injectionPaused;
        injectionPaused = true;
        std::string line = std::to_string(pinIndex) + ":";
        if (pinIndex == 0) {
            for (std::int32_t i = 0; i < byteSize; i += 2) line += static_cast<const char*>(data)[i];
        } else {
            line += std::to_string(*static_cast<const float*>(data));
        }
        sent.push_back(line);
        injectionPaused = wasPaused;
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
        failAfter = k;
        const std::int32_t result = call(*gui);
        const bool failed = failAfter == -1;
        failAfter = -1;
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

TEST(CorvaneGuiOutOfMemory, RefusedFloatPinsAllocateNothing) {
    Host host;
    CorvaneGui* gui = prepared(host, nullptr);
    const float value = 1.0f;
    for (const std::int32_t pinIndex : {CorvaneGui::LastFloatPin + 1, INT_MAX}) {
        SCOPED_TRACE(pinIndex);
        const long before = allocationCount;
        EXPECT_EQ(gui->setPin(pinIndex, 0, 4, &value), ResultFail);
        EXPECT_EQ(allocationCount, before);
        EXPECT_EQ(gui->floatValues().size(), 3u);
    }
    EXPECT_TRUE(host.sent.empty());
    gui->release();
}

}  // namespace
